#include "boards/view/LayoutFrm.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "boards/view/BoardPainter.h"
#include "common/CodePage.h"

namespace tambrel {

namespace {

QString Text(std::string_view s) { return QString::fromStdString(Cp1252ToUtf8(s)); }

void Describe(QWidget* w, const QString& name, const QString& tip = {}) {
    w->setAccessibleName(name);
    if (!tip.isEmpty()) {
        w->setToolTip(tip);
        w->setStatusTip(tip);
        w->setAccessibleDescription(tip);
    }
}

} // namespace

// ---- the reset dialog ------------------------------------------------------

LayOutRsetFrm::LayOutRsetFrm(QWidget* parent, std::vector<LayoutType> types)
    : QDialog(parent), types_(std::move(types)) {
    setObjectName("LayOutRsetFrm");
    setWindowTitle(Text(kResetDialogTitle));
    setAccessibleName(windowTitle().trimmed());
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(Text(kResetDialogLabel), this);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    list_ = new QListWidget(this);
    list_->setObjectName("DefTypLst");
    Describe(list_, label->text());
    label->setBuddy(list_);
    for (LayoutType t : types_) list_->addItem(Text(kLayoutTypeNames[static_cast<std::size_t>(t)]));
    list_->setCurrentRow(0);
    list_->setMaximumHeight(list_->sizeHintForRow(0) * std::max<int>(4, list_->count() + 1) + 2 * list_->frameWidth());
    layout->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OkBtn");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelBtn");
    Describe(ok, "OK");
    Describe(cancel, "Cancel");
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

LayoutType LayOutRsetFrm::Chosen() const {
    if (types_.empty()) return LayoutType::Keyboard;
    const int row = std::clamp(list_->currentRow(), 0, static_cast<int>(types_.size()) - 1);
    return types_[static_cast<std::size_t>(row)];
}

// ---- the board with its drag lines ---------------------------------------

LayoutCanvas::LayoutCanvas(LayoutFrm& form, LayoutEditSession& session)
    : QWidget(&form), form_(form), session_(session) {
    setObjectName("BoardPic");
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    Describe(this, "Board layout",
             "Click a key to select it; right-click it to move or size it; drag the two lines to size the board");
    QFont f = font();
    f.setPixelSize(10);
    setFont(f);
}

QRect LayoutCanvas::WidthLineRect() const {
    return QRect(session_.WidthLineX(), 0, LayoutFrm::kLineThickness, std::max(height(), session_.HeightLineY()));
}

QRect LayoutCanvas::HeightLineRect() const {
    return QRect(0, session_.HeightLineY(), std::max(width(), session_.WidthLineX()), LayoutFrm::kLineThickness);
}

QSize LayoutCanvas::sizeHint() const {
    const BoardPicture& pic = session_.Picture();
    // Room beyond the lines, so there is somewhere to drag them to.
    const int slack = 24;
    return QSize(std::max(pic.Width, session_.WidthLineX() + LayoutFrm::kLineThickness) + slack,
                 std::max(pic.Height, session_.HeightLineY() + LayoutFrm::kLineThickness) + slack);
}

void LayoutCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().dark());
    BoardSurface s;
    s.Width = session_.Picture().Width;
    s.Height = session_.Picture().Height;
    s.DevicePresent = true;
    s.Caption = session_.CaptionText();
    s.Picture = session_.Picture();
    PaintBoardSurface(p, s, palette().window(), devicePixelRatioF());

    const QColor line(40, 40, 40);
    if (session_.Dragging()) {
        // The drag shadow: the board's outline as it will be when the line
        // is dropped (never smaller than the editor allows).
        const int w = std::max(session_.WidthLineX(), kMinDragWidth);
        const int h = std::max(session_.HeightLineY() - kHeightLineOffset, kMinDragHeight);
        p.setPen(QPen(QColor(0, 0, 160), 1, Qt::DashLine));
        p.setBrush(QColor(0, 0, 160, 40));
        p.drawRect(QRect(0, 0, w, h).adjusted(0, 0, -1, -1));
        p.setBrush(Qt::NoBrush);
    }
    p.fillRect(WidthLineRect(), line);
    p.fillRect(HeightLineRect(), line);
    if (hasFocus()) {
        p.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void LayoutCanvas::Tip(const QString& text) { emit form_.TipChanged(text); }

void LayoutCanvas::ShowKeyMenu(QPoint at) {
    QMenu menu(this);
    menu.setObjectName("ButtonLayPopUpMnu");
    menu.setAccessibleName("Key layout");
    QMenu* move = menu.addMenu(Text(kKeyMoveMenu));
    move->setObjectName("KeyMoveMnu");
    QMenu* size = menu.addMenu(Text(kKeySizeMenu));
    size->setObjectName("KeySizeMnu");
    for (std::size_t i = 0; i < kKeyMoveItems.size(); ++i) {
        QAction* a = move->addAction(Text(kKeyMoveItems[i]));
        const auto m = static_cast<KeyMove>(i + 1);
        connect(a, &QAction::triggered, this, [this, m] {
            session_.Move(m);
            form_.Refresh();
        });
    }
    for (std::size_t i = 0; i < kKeySizeItems.size(); ++i) {
        QAction* a = size->addAction(Text(kKeySizeItems[i]));
        const auto z = static_cast<KeySize>(i + 1);
        connect(a, &QAction::triggered, this, [this, z] {
            session_.Size(z);
            form_.Refresh();
        });
    }
    menu.exec(at);
}

void LayoutCanvas::mousePressEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (e->button() == Qt::LeftButton && WidthLineRect().contains(at)) {
        session_.PressWidthLine(at.x());
        update();
        return;
    }
    if (e->button() == Qt::LeftButton && HeightLineRect().contains(at)) {
        session_.PressHeightLine(at.y());
        update();
        return;
    }
    const BoardPicture& pic = session_.Picture();
    if (at.x() >= pic.Width || at.y() >= pic.Height) return;
    if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) return;
    const SelectResult r =
        session_.Select(at.x(), at.y(), e->button() == Qt::RightButton ? MouseButton::Right : MouseButton::Left);
    update();
    if (r.popUpKeyMenu) ShowKeyMenu(e->globalPosition().toPoint());
}

void LayoutCanvas::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (session_.Dragging()) {
        session_.DragMove(at.x(), at.y());
        updateGeometry();
        resize(sizeHint().expandedTo(size()));
        update();
        return;
    }
    if (WidthLineRect().contains(at)) {
        setCursor(Qt::SplitHCursor);
        Tip(Text(kWidthLineTip));
    } else if (HeightLineRect().contains(at)) {
        setCursor(Qt::SplitVCursor);
        Tip(Text(kHeightLineTip));
    } else {
        unsetCursor();
        Tip({});
    }
}

void LayoutCanvas::mouseReleaseEvent(QMouseEvent*) {
    if (!session_.Dragging()) return;
    session_.ReleaseLine();
    form_.Refresh();
}

void LayoutCanvas::keyPressEvent(QKeyEvent* e) {
    const std::vector<KeyFace>& faces = session_.Picture().Faces;
    const bool menuKey = e->key() == Qt::Key_Menu || (e->key() == Qt::Key_F10 && (e->modifiers() & Qt::ShiftModifier));
    if ((e->key() != Qt::Key_Left && e->key() != Qt::Key_Right && !menuKey) || faces.empty()) {
        QWidget::keyPressEvent(e);
        return;
    }
    // Faces come in row order, position order within a row: the order a
    // reader goes through the board.
    std::size_t at = faces.size();
    for (std::size_t i = 0; i < faces.size(); ++i)
        if (faces[i].Key == session_.SelectedKey()) at = i;
    if (!menuKey) {
        if (at == faces.size()) at = e->key() == Qt::Key_Right ? 0 : faces.size() - 1;
        else if (e->key() == Qt::Key_Right) at = (at + 1) % faces.size();
        else at = (at + faces.size() - 1) % faces.size();
    } else if (at == faces.size()) {
        return;
    }
    const KeyFace& f = faces[at];
    const QPoint middle((f.Left + f.Right) / 2, (f.Top + f.Bottom) / 2);
    const SelectResult r = session_.Select(middle.x(), middle.y(), menuKey ? MouseButton::Right : MouseButton::Left);
    update();
    if (r.popUpKeyMenu) ShowKeyMenu(mapToGlobal(middle));
}

void LayoutCanvas::leaveEvent(QEvent*) {
    if (!session_.Dragging()) Tip({});
}

// ---- the window ------------------------------------------------------------

LayoutFrm::LayoutFrm(ProgramState& st, QWidget* parent) : QDialog(parent), st_(st), session_(st) {
    setObjectName("LayoutFrm");
    setWindowTitle(Text(kLayoutEditorTitle));
    setAccessibleName(windowTitle());
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName("BoardArea");
    scroll_->setAccessibleName("Board layout");
    scroll_->setWidgetResizable(false);
    scroll_->setFrameShape(QFrame::NoFrame);
    canvas_ = new LayoutCanvas(*this, session_);
    scroll_->setWidget(canvas_);
    layout->addWidget(scroll_, 1);
    auto* buttons = new QHBoxLayout;
    auto* reset = new QPushButton(Text(kResetButtonText), this);
    reset->setObjectName("ResetBtn");
    Describe(reset, reset->text(), "Replace the layout with a default arrangement");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelBtn");
    Describe(cancel, "Cancel", "Close and undo every change made since the editor opened");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OkBtn");
    Describe(ok, "OK", "Keep the new layout for every board of this device");
    buttons->addWidget(reset);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    for (QPushButton* b : {reset, cancel, ok}) b->setAutoDefault(false);
    connect(reset, &QPushButton::clicked, this, &LayoutFrm::ResetLayout);
    connect(cancel, &QPushButton::clicked, this, &LayoutFrm::reject);
    connect(ok, &QPushButton::clicked, this, &LayoutFrm::accept);
}

LayoutFrm::~LayoutFrm() {
    // However the window goes, an opening not confirmed leaves nothing behind.
    session_.Close();
}

bool LayoutFrm::InitilizeForm(std::int32_t device) {
    if (!session_.InitilizeForm(device)) return false;
    finished_ = false;
    canvas_->resize(canvas_->sizeHint());
    canvas_->setFocus();
    const QScreen* screen =
        parentWidget() && parentWidget()->screen() ? parentWidget()->screen() : QApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    // The frame: what the window needs besides the board and its lines.
    const QMargins m = layout()->contentsMargins();
    const int buttonsHeight = layout()->itemAt(1)->sizeHint().height() + layout()->spacing();
    const int slack =
        canvas_->sizeHint().width() - std::max(session_.Picture().Width, session_.WidthLineX() + kLineThickness);
    const LayoutEditSession::WindowExtent size =
        session_.WindowSize(m.left() + m.right() + slack, m.top() + m.bottom() + buttonsHeight + slack, kLineThickness,
                            avail.width(), avail.height());
    resize(size.width, size.height);
    return true;
}

void LayoutFrm::Refresh() {
    canvas_->resize(canvas_->sizeHint());
    canvas_->update();
}

void LayoutFrm::ResetLayout() {
    // The window's own dialog; a test answers it as a user would.
    LayOutRsetFrm dialog(this, session_.ResetTypes());
    if (dialog.exec() != QDialog::Accepted) return;
    session_.Reset(dialog.Chosen());
    Refresh();
}

void LayoutFrm::accept() {
    if (finished_) return;
    finished_ = true;
    session_.Ok();
    QDialog::accept();
}

void LayoutFrm::reject() {
    if (finished_) return;
    finished_ = true;
    session_.Cancel();
    QDialog::reject();
}

} // namespace tambrel
