// Draws every picture of both skins and each skinned control in its states
// into one PNG, to look at the skins side by side.
//   SkinGallery out.png      (QT_SCALE_FACTOR=2 for a HiDPI rendering)

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>

#include <cstdio>

#include "controls/ImageProcessFrm.h"
#include "controls/OptionBall.h"
#include "controls/SkinButton.h"
#include "controls/SkinRules.h"
#include "controls/SuperLabel.h"
#include "controls/TransDisplay.h"

using namespace tambrel;

namespace {

constexpr int kCellW = 118, kCellH = 58, kColumns = 6;

// The picture grid of one skin: each picture at its own size (shrunk to fit
// its cell when larger), its name below.
class PictureGrid : public QWidget {
public:
    PictureGrid(ImageProcessFrm& store, QWidget* parent) : QWidget(parent), store_(store) {
        const int rows = (static_cast<int>(skin::PictureNames().size()) + kColumns - 1) / kColumns;
        setFixedSize(kColumns * kCellW, rows * kCellH);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QFont small = font();
        small.setPointSizeF(7.5);
        p.setFont(small);
        int i = 0;
        for (const auto& n : skin::PictureNames()) {
            const QString name = QString::fromStdString(n);
            const QRect cell((i % kColumns) * kCellW, (i / kColumns) * kCellH, kCellW, kCellH);
            ++i;
            p.fillRect(cell.adjusted(2, 2, -2, -2), QColor(255, 255, 255, 150));
            QSize s = store_.PictureSize(name);
            s.scale(s.boundedTo(QSize(kCellW - 12, kCellH - 20)), Qt::KeepAspectRatio);
            const QString key = store_.Get_PicturName(name, s.width(), s.height());
            const QRect at(cell.center().x() - s.width() / 2, cell.top() + 4 + (kCellH - 20 - s.height()) / 2,
                           s.width(), s.height());
            p.drawPixmap(at, store_.Pixmap(key, devicePixelRatioF()));
            p.setPen(QColor(40, 48, 60));
            p.drawText(QRect(cell.left(), cell.bottom() - 15, kCellW, 14), Qt::AlignHCenter, name);
        }
    }

private:
    ImageProcessFrm& store_;
};

QLabel* Caption(const QString& text, QWidget* parent, QPoint at) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    QFont f = l->font();
    f.setPointSizeF(7.5);
    l->setFont(f);
    l->setStyleSheet("color: #3a4454");
    l->move(at);
    l->adjustSize();
    return l;
}

SkinButton* Button(ImageProcessFrm& store, QWidget* parent, QRect r, const QString& up, const QString& dn,
                   const QString& caption = {}, bool down = false, bool enabled = true) {
    auto* b = new SkinButton(parent, &store);
    b->setGeometry(r);
    b->SetPictureName(up);
    b->SetPictureDownName(dn);
    b->SetCaption(caption);
    b->setDown(down);
    b->setEnabled(enabled);
    return b;
}

QWidget* SkinPage(ImageProcessFrm& store, const QString& title, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* heading = new SuperLabel(page, &store);
    heading->SetCaption(title);
    QFont hf = heading->font();
    hf.setBold(true);
    heading->setFont(hf);
    heading->setGeometry(8, 8, kColumns * kCellW, 22);
    auto* grid = new PictureGrid(store, page);
    grid->move(8, 36);
    int y = grid->geometry().bottom() + 10;

    // The controls in their states, on a panel as the windows place them.
    auto* panel = new SuperLabel(page, &store);
    panel->SetPictureName("Panel");
    panel->setGeometry(8, y, kColumns * kCellW, 252);
    const int x0 = 20;
    y += 10;
    Caption("SkinButton: up, held, chosen, stop, disabled, long", page, {x0, y});
    Button(store, page, {x0, y + 16, 72, 24}, "Button_Up", "Button_Dn", "Wave");
    Button(store, page, {x0 + 80, y + 16, 72, 24}, "Button_Up", "Button_Dn", "Wave", true);
    Button(store, page, {x0 + 160, y + 16, 72, 24}, "ButtonGreen_Up", "ButtonGreen_Dn", "Midi");
    Button(store, page, {x0 + 240, y + 16, 72, 24}, "ButtonRed_Up", "ButtonRed_Dn", "Stop All");
    Button(store, page, {x0 + 320, y + 16, 72, 24}, "Button_Up", "Button_Dn", "Action", false, false);
    Button(store, page, {x0 + 400, y + 16, 112, 24}, "Button_Long_Up", "Button_Long_Dn", "Detect Again");
    Button(store, page, {x0 + 520, y + 16, 72, 24}, "Button_Up", "Button_Dn", "Focus");
    Caption("focused", page, {x0 + 536, y + 42});

    y += 58;
    Caption("Arrows and the recording panel (held shown right of each)", page, {x0, y});
    int x = x0;
    for (const char* d : {"Up", "Down"}) {
        Button(store, page, {x, y + 18, 20, 12}, QString("Arrow-%1-Up").arg(d), "");
        Button(store, page, {x + 22, y + 18, 20, 12}, QString("Arrow-%1-Dn").arg(d), "");
        x += 48;
    }
    auto* display = new TransDisplay(page, &store);
    display->setGeometry(x, y + 16, 64, 22);
    display->SetText("0.25");
    x += 72;
    for (const char* t : {"Record", "RecordStop", "Play", "Pause", "Resume", "Stop", "RecList"}) {
        Button(store, page, {x, y + 16, 32, 26}, QString(t) + "_Up", "");
        Button(store, page, {x + 33, y + 16, 32, 26}, QString(t) + "_Dn", "");
        x += 70;
    }

    y += 56;
    Caption("OptionBall: off/on (red-green), three states, drum, check and option pairs", page, {x0, y});
    x = x0;
    for (int v = 0; v < 2; ++v) {
        auto* b = new OptionBall(page, &store);
        b->SetPictureName(0, "Ball_Red");
        b->SetPictureName(1, "Ball_Green");
        b->setGeometry(x, y + 18, 18, 18);
        b->SetValue(v);
        x += 24;
    }
    x += 12;
    for (int v = 0; v < 3; ++v) {
        auto* b = new OptionBall(page, &store);
        b->SetUseThirdOption(true);
        b->setGeometry(x, y + 18, 18, 18);
        b->SetValue(v);
        x += 24;
    }
    x += 12;
    const std::pair<const char*, const char*> pairs[] = {
        {"DrumSmall_Gray", "DrumSmall_Green"}, {"Check_Off", "Check_On"}, {"Option_Off", "Option_On"}};
    for (const auto& [off, on] : pairs) {
        for (int v = 0; v < 2; ++v) {
            auto* b = new OptionBall(page, &store);
            b->SetPictureName(0, off);
            b->SetPictureName(1, on);
            const QSize s = store.PictureSize(off);
            b->setGeometry(x, y + 18 + (18 - s.height()) / 2, s.width(), s.height());
            b->SetValue(v);
            x += s.width() + 8;
        }
        x += 12;
    }

    y += 50;
    Caption("SuperLabel and TransDisplay (label, then editing)", page, {x0, y});
    auto* sl = new SuperLabel(page, &store);
    sl->SetCaption("Sound Source");
    sl->setGeometry(x0, y + 16, 200, 20);
    auto* td1 = new TransDisplay(page, &store);
    td1->setGeometry(x0 + 214, y + 16, 64, 22);
    td1->SetText("60");
    td1->SetAlignment(Qt::AlignRight);
    auto* td2 = new TransDisplay(page, &store);
    td2->setGeometry(x0 + 288, y + 16, 64, 22);
    td2->SetText("127");
    td2->BeginEdit();
    auto* logo = new SuperLabel(page, &store);
    logo->SetPictureName("Logo");
    logo->setGeometry(x0 + 370, y + 4, 200, 64);

    page->setFixedSize(kColumns * kCellW + 16, panel->geometry().bottom() + 10);
    return page;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: SkinGallery out.png\n");
        return 2;
    }
    QWidget window;
    window.setObjectName("gallery");
    window.setStyleSheet("#gallery { background: #e9ecf0 }");
    ImageProcessFrm normal(&window), lowColour(&window);
    normal.ResetPictures(32);
    lowColour.ResetPictures(8);
    QWidget* left = SkinPage(normal, "Skin 1 - the normal skin", &window);
    QWidget* right = SkinPage(lowColour, "Skin 0 - screens under 16 bits", &window);
    right->move(left->width() + 12, 0);
    window.setFixedSize(left->width() + right->width() + 12, std::max(left->height(), right->height()));
    window.show();
    window.activateWindow();
    for (auto* b : window.findChildren<SkinButton*>())
        if (b->Caption() == "Focus") b->setFocus();
    app.processEvents();
    const QImage shot = window.grab().toImage();
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    std::printf("%dx%d written to %s\n", shot.width(), shot.height(), argv[1]);
    return 0;
}
