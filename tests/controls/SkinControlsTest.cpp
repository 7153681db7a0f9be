#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include "common/Settings.h"
#include "common/VirtualClock.h"
#include "controls/ImageProcessFrm.h"
#include "controls/OptionBall.h"
#include "controls/SkinButton.h"
#include "controls/SkinRules.h"
#include "controls/SuperLabel.h"
#include "controls/TransDisplay.h"

using namespace tambrel;

namespace {

struct Errors {
    QStringList seen;
    void Attach(ImageProcessFrm& store) {
        store.SetErrorHandler([this](const QString& text, const QString& name) { seen << text + ": " + name; });
    }
};

// A store on the compiled-in skins, with errors recorded instead of shown.
struct Rig {
    QTemporaryDir dir;
    Settings settings{(dir.path() + "/TambrelOrchestra.ini").toStdString()};
    ImageProcessFrm store;
    Errors errors;
    explicit Rig(const char* skin = nullptr, int depth = 32) {
        errors.Attach(store);
        if (skin) settings.WriteSetting("General", "Current Skin", skin);
        store.SetSettings(&settings);
        store.ResetPictures(depth);
    }
};

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class SkinControlsTest : public QObject {
    Q_OBJECT
private slots:
    void everySkinHoldsEveryPictureTheWindowsUse();
    void sizedCopiesAndTheirKeys();
    void unknownNamesAndBadSizesReportOnceAndKeepThePicture();
    void defaultErrorBoxWaitsForTheEventLoop();
    void skinChoiceFollowsSettingsAndScreenDepth();
    void skinWithoutPictureSetFallsBackWithoutErrors();
    void brokenPictureFileReportsLoadingError();
    void maskColourBecomesTransparent();

    void buttonShowsDownPictureWhilePressed();
    void buttonSendsItsEvents();
    void buttonRepeatsAfterFirstThenEveryNextDelay();
    void buttonWithoutDelaysDoesNotRepeat();
    void heldSpaceRepeatsAndEnterClicks();
    void controlsAreNamedAndTipped();

    void optionBallTwoAndThreeStates();
    void optionBallSetDirectly();

    void transDisplayEnterAcceptsEscapeCancels();
    void transDisplayPassesOtherKeysAndAcceptsOnLeaving();
    void transDisplayKeyboardAndDisabled();

    void superLabelShowsPlainText();
    void paintsDevicePixelsAtTheScreensRatio();
};

void SkinControlsTest::everySkinHoldsEveryPictureTheWindowsUse() {
    for (const char* skin : {"0", "1"}) {
        Rig rig(skin);
        QCOMPARE(rig.store.CurrentSkin(), QString(skin).toInt());
        QVERIFY2(rig.errors.seen.isEmpty(), qPrintable(rig.errors.seen.join("; ")));
        QStringList expected;
        for (const auto& n : skin::PictureNames()) expected << QString::fromStdString(n);
        expected.sort();
        QCOMPARE(rig.store.PictureNames(), expected);
        for (const QString& name : expected) {
            const QSize size = rig.store.PictureSize(name);
            QVERIFY2(!size.isEmpty(), qPrintable(name));
            const QImage img = rig.store.Pixmap(name, 1.0).toImage();
            QCOMPARE(img.size(), size);
            // Something is drawn: not every pixel transparent.
            bool drawn = false;
            for (int y = 0; y < img.height() && !drawn; ++y)
                for (int x = 0; x < img.width() && !drawn; ++x) drawn = qAlpha(img.pixel(x, y)) > 0;
            QVERIFY2(drawn, qPrintable(name));
        }
    }
}

void SkinControlsTest::sizedCopiesAndTheirKeys() {
    Rig rig;
    const QSize natural = rig.store.PictureSize("Button_Up");
    QCOMPARE(rig.store.Get_PicturName("Button_Up", natural.width(), natural.height()), QString("Button_Up"));
    QCOMPARE(rig.store.Get_PicturName("Button_Up", natural.width(), 0), QString("Button_Up"));
    const QString key = rig.store.Get_PicturName("Button_Up", 90, 30);
    QCOMPARE(key, QString("Button_UpX90Y30"));
    QCOMPARE(rig.store.PictureSize(key), QSize(90, 30));
    QCOMPARE(rig.store.Get_PicturName("Button_Up", 90, 30), key); // reused, not made again
    QCOMPARE(rig.store.Pixmap(key, 1.0).size(), QSize(90, 30));
    // Height 0 with another width keeps the proportions.
    const QString wide = rig.store.Get_PicturName("Button_Up", natural.width() * 2, 0);
    QCOMPARE(rig.store.PictureSize(wide), natural * 2);
    QCOMPARE(rig.store.Get_PicturName("", 10, 10), QString("None"));
    QCOMPARE(rig.store.Get_PicturName("  ", 10, 10), QString("None"));
    QVERIFY(rig.store.Pixmap("None", 1.0).isNull());
    // Copies are dropped when the store is reloaded.
    rig.store.ResetPictures(32);
    QVERIFY(!rig.store.Contains(key));
    QVERIFY(rig.errors.seen.isEmpty());
}

void SkinControlsTest::unknownNamesAndBadSizesReportOnceAndKeepThePicture() {
    Rig rig;
    QCOMPARE(rig.store.Get_PicturName("NoSuchPicture", 10, 10), QString());
    QCOMPARE(rig.store.Get_PicturName("NoSuchPicture", 20, 10), QString());
    QCOMPARE(rig.store.Get_PicturName("Button_Up", -4, 10), QString());
    QCOMPARE(rig.errors.seen,
             QStringList({"Error Getting Picture name: NoSuchPicture", "Error Getting Picture name: Button_Up"}));

    SkinButton b(nullptr, &rig.store);
    b.resize(72, 24);
    b.SetPictureName("ButtonGreen_Up");
    QCOMPARE(b.ShownPictureKey(), QString("ButtonGreen_Up"));
    b.SetPictureName("Missing");
    QCOMPARE(b.ShownPictureKey(), QString("ButtonGreen_Up")); // the previous picture stays
}

void SkinControlsTest::defaultErrorBoxWaitsForTheEventLoop() {
    ImageProcessFrm store;
    store.ResetPictures(32);
    // Fetching happens while painting: the answer comes at once, no dialog yet.
    QCOMPARE(store.Get_PicturName("Missing<b>", 10, 10), QString());
    QVERIFY(!QApplication::activeModalWidget());
    QString seen;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = box->text();
            QCOMPARE(box->textFormat(), Qt::PlainText);
            box->accept();
        }
    });
    QTRY_COMPARE(seen, QString("Error Getting Picture name\nMissing<b>"));
}

void SkinControlsTest::skinChoiceFollowsSettingsAndScreenDepth() {
    QCOMPARE(Rig().store.CurrentSkin(), 1); // no entry: the default
    QCOMPARE(Rig("0").store.CurrentSkin(), 0);
    QCOMPARE(Rig("1", 8).store.CurrentSkin(), 0);
    QCOMPARE(Rig("1", 16).store.CurrentSkin(), 1);
    Rig rig("1");
    QSignalSpy reset(&rig.store, &ImageProcessFrm::PicturesReset);
    SkinButton b(nullptr, &rig.store);
    b.resize(72, 24);
    const QImage before = rig.store.Pixmap(b.ShownPictureKey(), 1).toImage();
    rig.store.ResetPictures(8);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(rig.store.CurrentSkin(), 0);
    // The button fetched the low-colour picture.
    QVERIFY(rig.store.Pixmap(b.ShownPictureKey(), 1).toImage() != before);
}

void SkinControlsTest::skinWithoutPictureSetFallsBackWithoutErrors() {
    Rig rig("9");
    QCOMPARE(rig.store.CurrentSkin(), 1);
    QVERIFY(rig.store.FellBack());
    Rig low("9", 8);
    QCOMPARE(low.store.CurrentSkin(), 0);
    Rig junk("1e12");
    QCOMPARE(junk.store.CurrentSkin(), 1);
    // Many controls on the fallback skin: every one has its picture, no error box.
    std::vector<std::unique_ptr<SkinButton>> buttons;
    for (int i = 0; i < 5; ++i) {
        buttons.push_back(std::make_unique<SkinButton>(nullptr, &rig.store));
        buttons.back()->resize(72, 24);
        QCOMPARE(buttons.back()->ShownPictureKey(), QString("Button_Up"));
    }
    QVERIFY(rig.errors.seen.isEmpty());
}

void SkinControlsTest::brokenPictureFileReportsLoadingError() {
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("1"));
    QVERIFY(WriteFile(root.path() + "/1/Broken.svg", "<svg this is not"));
    QVERIFY(WriteFile(root.path() + "/1/Noise.png", QByteArray(64, 'x')));
    QFile::copy(":/skins/1/Button_Up.svg", root.path() + "/1/Button_Up.svg");
    ImageProcessFrm store(nullptr, root.path());
    Errors errors;
    errors.Attach(store);
    store.ResetPictures(32);
    QCOMPARE(store.CurrentSkin(), 1);
    QCOMPARE(errors.seen, QStringList({"Error loading Picture: Broken", "Error loading Picture: Noise"}));
    QCOMPARE(store.PictureNames(), QStringList({"Button_Up"}));
}

void SkinControlsTest::maskColourBecomesTransparent() {
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("1"));
    QImage img(4, 2, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    img.setPixel(0, 0, qRgb(10, 20, 30));
    img.setPixel(3, 1, qRgb(254, 0, 255));
    QVERIFY(img.save(root.path() + "/1/Masked.png"));
    ImageProcessFrm store(nullptr, root.path());
    store.ResetPictures(32);
    const QImage plain = store.Pixmap("Masked", 1).toImage();
    QCOMPARE(qAlpha(plain.pixel(1, 0)), 255);
    const QImage masked = store.Pixmap("Masked", 1, QColor(255, 0, 255)).toImage();
    QCOMPARE(qAlpha(masked.pixel(1, 0)), 0);
    QCOMPARE(qAlpha(masked.pixel(2, 1)), 0);
    QCOMPARE(masked.pixel(0, 0), qRgb(10, 20, 30));
    QCOMPARE(masked.pixel(3, 1), qRgb(254, 0, 255)); // only the exact colour
    // A control with that mask colour paints through those pixels.
    SuperLabel label(nullptr, &store);
    label.SetPictureName("Masked");
    label.SetMaskColor(QColor(255, 0, 255));
    label.resize(4, 2);
    label.setAutoFillBackground(false);
    QImage shot(4, 2, QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::transparent);
    label.render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    QCOMPARE(qAlpha(shot.pixel(1, 0)), 0);
    QCOMPARE(shot.pixel(0, 0), qRgb(10, 20, 30));
}

void SkinControlsTest::buttonShowsDownPictureWhilePressed() {
    Rig rig;
    SkinButton b(nullptr, &rig.store);
    b.SetPictureName("Arrow-Up-Up");
    b.SetPictureDownName("Arrow-Up-Dn");
    b.resize(20, 12);
    b.show();
    QCOMPARE(b.ShownPictureKey(), QString("Arrow-Up-Up"));
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(b.ShownPictureKey(), QString("Arrow-Up-Dn"));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(b.ShownPictureKey(), QString("Arrow-Up-Up"));
    // Resized, it paints copies at the new size.
    b.resize(40, 24);
    QCOMPARE(b.ShownPictureKey(), QString("Arrow-Up-UpX40Y24"));
    // A right press is sent on but does not hold the button.
    QTest::mousePress(&b, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(b.ShownPictureKey(), QString("Arrow-Up-UpX40Y24"));
    QTest::mouseRelease(&b, Qt::RightButton, {}, QPoint(5, 5));
}

void SkinControlsTest::buttonSendsItsEvents() {
    Rig rig;
    SkinButton b(nullptr, &rig.store);
    b.resize(72, 24);
    b.SetCaption("Wave");
    b.SetLblTop(4);
    b.show();
    QStringList log;
    connect(&b, &SkinButton::MouseDown, [&](Qt::MouseButton btn, Qt::KeyboardModifiers m, QPoint p) {
        log << QString("down %1 %2 %3,%4").arg(int(btn)).arg(int(m)).arg(p.x()).arg(p.y());
    });
    connect(&b, &SkinButton::MouseMove, [&](Qt::MouseButtons btn, Qt::KeyboardModifiers, QPoint p) {
        log << QString("move %1 %2,%3").arg(int(btn)).arg(p.x()).arg(p.y());
    });
    connect(&b, &SkinButton::MouseUp, [&](Qt::MouseButton btn, Qt::KeyboardModifiers m, QPoint p) {
        log << QString("up %1 %2 %3,%4").arg(int(btn)).arg(int(m)).arg(p.x()).arg(p.y());
    });
    connect(&b, &QAbstractButton::clicked, [&] { log << "click"; });
    connect(&b, &SkinButton::DblClick, [&] { log << "dblclick"; });
    // Over the caption as anywhere else.
    QTest::mousePress(&b, Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 10));
    QTest::mouseMove(&b, QPoint(31, 11));
    QTest::mouseRelease(&b, Qt::LeftButton, Qt::ShiftModifier, QPoint(31, 11));
    QCOMPARE(log.value(0), QString("down 1 %1 30,10").arg(int(Qt::ShiftModifier)));
    QVERIFY(log.value(1).startsWith("move"));
    QCOMPARE(log.value(2), QString("up 1 %1 31,11").arg(int(Qt::ShiftModifier)));
    QCOMPARE(log.value(3), QString("click"));
    log.clear();
    QTest::mouseDClick(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY2(log.contains("dblclick"), qPrintable(log.join("|")));
    // Disabled, it sends nothing.
    b.setEnabled(false);
    log.clear();
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(log.isEmpty());
}

void SkinControlsTest::buttonRepeatsAfterFirstThenEveryNextDelay() {
    Rig rig;
    VirtualClock clock;
    SkinButton b(nullptr, &rig.store);
    b.SetTimerHost(&clock);
    b.SetRepeatDelays(250, 75);
    b.resize(20, 12);
    b.show();
    std::vector<std::int64_t> at;
    int presses = 0;
    connect(&b, &QAbstractButton::pressed, [&] { ++presses; });
    connect(&b, &SkinButton::Repeat, [&] { at.push_back(clock.NowMs()); });
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(presses, 1);
    clock.AdvanceTo(249);
    QVERIFY(at.empty());
    clock.AdvanceTo(500);
    QCOMPARE(at, (std::vector<std::int64_t>{250, 325, 400, 475}));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
    clock.AdvanceTo(2000);
    QCOMPARE(at.size(), std::size_t(4));
    // A second hold starts again with the first delay.
    clock.AdvanceTo(3000);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    clock.AdvanceTo(3300);
    QCOMPARE(at.size(), std::size_t(5));
    QCOMPARE(at.back(), std::int64_t(3250));
    // Disabling a held button stops it.
    b.setEnabled(false);
    clock.AdvanceTo(4000);
    QCOMPARE(at.size(), std::size_t(5));
}

void SkinControlsTest::buttonWithoutDelaysDoesNotRepeat() {
    Rig rig;
    VirtualClock clock;
    SkinButton b(nullptr, &rig.store);
    b.SetTimerHost(&clock);
    b.resize(72, 24);
    b.show();
    QSignalSpy repeats(&b, &SkinButton::Repeat);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    clock.AdvanceTo(5000);
    QCOMPARE(repeats.count(), 0);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
    // A next delay of 0 repeats once after the first delay, then stops.
    b.SetRepeatDelays(100, 0);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    clock.AdvanceBy(1000);
    QCOMPARE(repeats.count(), 1);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
}

void SkinControlsTest::heldSpaceRepeatsAndEnterClicks() {
    Rig rig;
    VirtualClock clock;
    QWidget w;
    auto* first = new QLineEdit(&w);
    auto* b = new SkinButton(&w, &rig.store);
    b->SetTimerHost(&clock);
    b->SetRepeatDelays(250, 75);
    auto* layout = new QVBoxLayout(&w);
    layout->addWidget(first);
    layout->addWidget(b);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Tab);
    QVERIFY(b->hasFocus());
    QSignalSpy clicks(b, &QAbstractButton::clicked);
    QSignalSpy repeats(b, &SkinButton::Repeat);
    QTest::keyPress(b, Qt::Key_Space);
    QVERIFY(b->isDown());
    clock.AdvanceTo(330);
    QCOMPARE(repeats.count(), 2);
    QTest::keyRelease(b, Qt::Key_Space);
    QCOMPARE(clicks.count(), 1);
    QTest::keyClick(b, Qt::Key_Return);
    QCOMPARE(clicks.count(), 2);
    QTest::keyClick(b, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(clicks.count(), 3);
    clock.AdvanceTo(2000);
    QCOMPARE(repeats.count(), 2);
}

void SkinControlsTest::controlsAreNamedAndTipped() {
    Rig rig;
    SkinButton b(nullptr, &rig.store);
    b.SetCaption("Stop All");
    b.SetTip("Stops all sounds");
    OptionBall ball(nullptr, &rig.store);
    ball.setAccessibleName("Input devices");
    ball.SetTip("Put ON or OFF all the orchestra input devices for playing");
    TransDisplay td(nullptr, &rig.store);
    td.setAccessibleName("Key No");
    td.SetText("60");
    td.SetTip("Velocity <b>");
    struct Row {
        QWidget* w;
        QString name, tip;
        QAccessible::Role role;
    };
    const Row rows[] = {
        {&b, "Stop All", "Stops all sounds", QAccessible::Button},
        {&ball, "Input devices", "Put ON or OFF all the orchestra input devices for playing", QAccessible::CheckBox},
        {&td, "Key No", "Velocity <b>", QAccessible::EditableText},
    };
    for (const Row& r : rows) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(r.w);
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), r.name);
        QCOMPARE(a->text(QAccessible::Description), r.tip);
        QCOMPARE(a->role(), r.role);
        QCOMPARE(r.w->statusTip(), r.tip);
        QVERIFY(r.w->focusPolicy() & Qt::TabFocus);
    }
    QCOMPARE(b.toolTip(), QString("Stops all sounds"));
    // A tip that looks like markup is shown as the characters given.
    QVERIFY(td.toolTip().contains("Velocity &lt;b&gt;"));
    QCOMPARE(QAccessible::queryAccessibleInterface(&td)->text(QAccessible::Value), QString("60"));
}

void SkinControlsTest::optionBallTwoAndThreeStates() {
    Rig rig;
    OptionBall ball(nullptr, &rig.store);
    ball.SetPictureName(0, "Ball_Red");
    ball.SetPictureName(1, "Ball_Green");
    ball.resize(18, 18);
    ball.show();
    QSignalSpy clicks(&ball, &OptionBall::Click);
    QSignalSpy changes(&ball, &OptionBall::ValueChanged);
    QCOMPARE(ball.ShownPictureKey(), QString("Ball_Red"));
    QTest::mouseClick(&ball, Qt::LeftButton, {}, QPoint(9, 9));
    QCOMPARE(ball.Value(), 1);
    QVERIFY(ball.isChecked());
    QCOMPARE(ball.ShownPictureKey(), QString("Ball_Green"));
    QTest::mouseClick(&ball, Qt::LeftButton, {}, QPoint(9, 9));
    QCOMPARE(ball.Value(), 0);
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(changes.count(), 2);

    OptionBall three(nullptr, &rig.store);
    three.SetUseThirdOption(true);
    three.resize(18, 18);
    three.show();
    QList<int> seen;
    connect(&three, &OptionBall::ValueChanged, [&](int v) { seen << v; });
    for (int i = 0; i < 4; ++i) QTest::keyClick(&three, Qt::Key_Space);
    QCOMPARE(seen, QList<int>({1, 2, 0, 1}));
    QTest::keyClick(&three, Qt::Key_Return);
    QCOMPARE(three.Value(), 2);
    QCOMPARE(three.ShownPictureKey(), QString("Ball_Yellow"));
    // Dropping the third state brings the value into the two left.
    three.SetUseThirdOption(false);
    QCOMPARE(three.Value(), 1);
}

void SkinControlsTest::optionBallSetDirectly() {
    Rig rig;
    OptionBall ball(nullptr, &rig.store);
    ball.resize(18, 18);
    QSignalSpy clicks(&ball, &OptionBall::Click);
    QSignalSpy changes(&ball, &OptionBall::ValueChanged);
    ball.SetValue(1);
    ball.SetValue(1);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(clicks.count(), 0);
    ball.SetValue(7);
    QCOMPARE(ball.Value(), 1);
    ball.SetValue(-2);
    QCOMPARE(ball.Value(), 0);
    QCOMPARE(ball.ShownPictureKey(), QString("Ball_Gray"));
    ball.setChecked(true); // as assistive tools do
    QCOMPARE(ball.Value(), 1);
}

void SkinControlsTest::transDisplayEnterAcceptsEscapeCancels() {
    Rig rig;
    TransDisplay td(nullptr, &rig.store);
    td.resize(64, 22);
    td.SetText("60");
    td.show();
    QVERIFY(QTest::qWaitForWindowExposed(&td));
    QSignalSpy accepted(&td, &TransDisplay::EditAccepted);
    QSignalSpy canceled(&td, &TransDisplay::EditCanceled);
    QTest::mouseClick(&td, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(td.IsEditing());
    QCOMPARE(td.Field()->text(), QString("60"));
    QTest::keyClicks(td.Field(), "128"); // replaces the selected text
    QTest::keyClick(td.Field(), Qt::Key_Return);
    QVERIFY(!td.IsEditing());
    QCOMPARE(td.Text(), QString("128"));
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(accepted.at(0).at(0).toString(), QString("128"));

    QTest::mouseClick(&td, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::keyClicks(td.Field(), "999");
    QTest::keyClick(td.Field(), Qt::Key_Escape);
    QVERIFY(!td.IsEditing());
    QCOMPARE(td.Text(), QString("128"));
    QCOMPARE(canceled.count(), 1);
    QCOMPARE(accepted.count(), 1); // the focus moving away did not accept it
    QVERIFY(td.hasFocus());

    td.SetMaxLength(3);
    td.BeginEdit();
    QTest::keyClicks(td.Field(), "123456");
    td.AcceptEdit();
    QCOMPARE(td.Text(), QString("123"));
}

void SkinControlsTest::transDisplayPassesOtherKeysAndAcceptsOnLeaving() {
    Rig rig;
    QWidget w;
    auto* td = new TransDisplay(&w, &rig.store);
    auto* other = new QLineEdit(&w);
    auto* layout = new QVBoxLayout(&w);
    layout->addWidget(td);
    layout->addWidget(other);
    td->SetText("1.5");
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QList<int> keys;
    connect(td, &TransDisplay::KeyDown, [&](int key, Qt::KeyboardModifiers, const QString&) { keys << key; });
    QSignalSpy accepted(td, &TransDisplay::EditAccepted);
    td->BeginEdit();
    QTest::keyClick(td->Field(), Qt::Key_End);
    QTest::keyClick(td->Field(), Qt::Key_2);
    QTest::keyClick(td->Field(), Qt::Key_Return);
    QCOMPARE(keys, QList<int>({Qt::Key_End, Qt::Key_2}));
    QCOMPARE(td->Text(), QString("1.52"));
    td->BeginEdit();
    QTest::keyClicks(td->Field(), "7");
    other->setFocus();
    QVERIFY(!td->IsEditing());
    QCOMPARE(td->Text(), QString("7"));
    QCOMPARE(accepted.count(), 2);
}

void SkinControlsTest::transDisplayKeyboardAndDisabled() {
    Rig rig;
    TransDisplay td(nullptr, &rig.store);
    td.resize(64, 22);
    td.SetText("5");
    td.show();
    QVERIFY(QTest::qWaitForWindowExposed(&td));
    td.setFocus();
    QTest::keyClick(&td, Qt::Key_F2);
    QVERIFY(td.IsEditing());
    td.CancelEdit();
    QTest::keyClick(&td, Qt::Key_Return);
    QVERIFY(td.IsEditing());
    // Disabling while editing drops the typing.
    QTest::keyClicks(td.Field(), "9");
    td.setEnabled(false);
    QVERIFY(!td.IsEditing());
    QCOMPARE(td.Text(), QString("5"));
    QTest::mouseClick(&td, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!td.IsEditing());
    // AcceptEdit and CancelEdit outside editing change nothing.
    QSignalSpy accepted(&td, &TransDisplay::EditAccepted);
    td.AcceptEdit();
    td.CancelEdit();
    QCOMPARE(accepted.count(), 0);
}

void SkinControlsTest::superLabelShowsPlainText() {
    Rig rig;
    SuperLabel l(nullptr, &rig.store);
    l.SetCaption("<b>Sound source</b> & more");
    l.resize(200, 20);
    QCOMPARE(l.textFormat(), Qt::PlainText);
    QCOMPARE(l.ShownPictureKey(), QString("Heading"));
    QCOMPARE(QAccessible::queryAccessibleInterface(&l)->text(QAccessible::Name), QString("<b>Sound source</b> & more"));
    QSignalSpy clicks(&l, &SuperLabel::Click);
    l.show();
    QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(clicks.count(), 1);
}

void SkinControlsTest::paintsDevicePixelsAtTheScreensRatio() {
    Rig rig;
    SkinButton b(nullptr, &rig.store);
    b.SetPictureName("Play_Up");
    b.resize(32, 26);
    b.setFocusPolicy(Qt::NoFocus);
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    const qreal dpr = b.devicePixelRatioF();
    // The HiDPI run must really be on a denser screen.
    if (qEnvironmentVariableIntValue("QT_SCALE_FACTOR") == 2) QCOMPARE(dpr, 2.0);
    const QImage shot = b.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(shot.size(), QSize(qRound(32 * dpr), qRound(26 * dpr)));
    // The picture was drawn for this ratio, not stretched from a smaller one:
    // the grab holds the store's rendering pixel for pixel.
    QImage expected(shot.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(b.palette().color(QPalette::Window));
    {
        QPainter p(&expected);
        const QPixmap pm = rig.store.Pixmap("Play_Up", dpr);
        QImage src = pm.toImage();
        QCOMPARE(src.size(), shot.size());
        src.setDevicePixelRatio(1);
        p.drawImage(QPoint(0, 0), src);
    }
    int differing = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) != expected.pixel(x, y)) ++differing;
    QCOMPARE(differing, 0);
}

QTEST_MAIN(SkinControlsTest)
#include "SkinControlsTest.moc"
