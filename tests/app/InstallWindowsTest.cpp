// The media-service windows and TbUninst's windows as the user sees them.
// With TAMBREL_SHOTS=DIR set, each window is also saved there as a PNG.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/CheckDx7Frm.h"
#include "app/DxDnLoadFrm.h"
#include "common/VirtualClock.h"
#include "sound/SoundService.h"
#include "uninstall/window/FeedBackFrm.h"
#include "uninstall/window/QtUninstallUi.h"

using namespace tambrel;

namespace {

void Shot(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("TAMBREL_SHOTS");
    if (dir.isEmpty()) return;
    w->show();
    QApplication::processEvents();
    w->grab().save(dir + "/" + name + ".png");
}

QStringList LabelTexts(QWidget* w) {
    QStringList out;
    for (QLabel* l : w->findChildren<QLabel*>()) out << l->text();
    return out;
}

ServiceStatus Ok() { return {true, {}, {}}; }

// Grabs the next message box, remembers its text and presses `button`.
void AnswerNextBox(QMessageBox::StandardButton button, QString* text, QString* title, QMessageBox::Icon* icon,
                   const char* shot = nullptr) {
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            // Not up yet: look again shortly.
            QTimer::singleShot(10, [=] { AnswerNextBox(button, text, title, icon, shot); });
            return;
        }
        if (text) *text = box->text();
        if (title) *title = box->windowTitle();
        if (icon) *icon = box->icon();
        if (shot) Shot(box, shot);
        box->button(button)->click();
    });
}

struct FakeProcess final : RemovalProcess {
    int started = 0;
    bool Start(const std::vector<std::string>&, std::string&) override { return ++started, true; }
    std::optional<ProcessEnd> Poll() override { return ProcessEnd{true, 0}; }
};

} // namespace

class InstallWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void checkWindowShowsTheMissingServiceAndItsPackage() {
        MediaProbes p{[] { return Ok(); },
                      [] { return SynthesizerStatus(true, "/nowhere", {"/nowhere/none.sf2"}); },
                      [] { return Ok(); },
                      {},
                      {}};
        CheckDx7Frm w(CheckMediaServices(p), "/opt/tambrel");
        QVERIFY(w.NeedToShow);
        QCOMPARE(w.windowTitle(), QStringLiteral("Check DirectX Version for Tambrel"));
        QCOMPARE(w.MessageLbl()->text(), QStringLiteral("This software requires DirectX7 or higher to run.\n"
                                                        "An earlier version (DirectX2) is found in your PC.\n"
                                                        "Please install DirectX7 (or higher) before running it"));
        QVERIFY(w.LinksTxt()->toPlainText().startsWith(QStringLiteral("Links to Download DirectX7a:\n")));
        QVERIFY(LabelTexts(&w).join('\n').contains(QStringLiteral("timgm6mb-soundfont brings it")));
        QCOMPARE(w.MessageLbl()->textFormat(), Qt::PlainText);
        QVERIFY(!w.HelpLink()->toolTip().isEmpty());
        Shot(&w, "check-media-services");
        QTimer::singleShot(0, w.OkBtn(), &QPushButton::click);
        w.exec();
        QVERIFY(!w.isVisible());
    }

    void checkWindowNeedNotShowWhenAllIsThere() {
        CheckDx7Frm w(CheckMediaServices({[] { return Ok(); }, [] { return Ok(); }, [] { return Ok(); }, {}, {}}),
                      "/x");
        QVERIFY(!w.NeedToShow);
    }

    void downloadWindowCarriesTheAudioSystemsError() {
        DxDnLoadFrm w("/opt/tambrel");
        QCOMPARE(w.windowTitle(), QStringLiteral("DirectX7 Error (Download Directx7a)"));
        QCOMPARE(w.ErrorLbl()->text(), QStringLiteral("Could Not Initilize DirectX"));
        w.SetErrorLine(DirectXErrorLine("Audio target 'pulse' not available"));
        QCOMPARE(w.ErrorLbl()->text(),
                 QStringLiteral("Could Not Initilize DirectX7.\n(Error: Audio target 'pulse' not available)\n"
                                "If this problem persists in Win95/98 you need to reinstall directX7 or higher."));
        const QString all = LabelTexts(&w).join('\n');
        QVERIFY(all.contains(QStringLiteral("(Some of the links may not work in future, please search the internet "
                                            "and find if needed)")));
        QVERIFY(all.contains(QStringLiteral("pipewire-audio")));
        for (int i = 0; i < 3; ++i) QVERIFY(w.Link(i)->text().startsWith(QStringLiteral("https://")));
        QCOMPARE(w.CloseBtn()->text(), QStringLiteral("Close"));
        Shot(&w, "audio-start-failure");
    }

    void feedbackWindowRendersEveryTextAndForwardsTheButtons() {
        FeedBackFrm w;
        w.Render(MakeFeedbackView(ProductTable()[1]));
        QCOMPARE(w.windowTitle(), QStringLiteral("Uninstalling Tambrel Orchestra"));
        const QStringList texts = LabelTexts(&w);
        for (const char* t : {"Hello", "For some reason you have decided to uninstall.",
                              "I request you to fill in a quick survey about this product.",
                              "(no need to enter email address, only few clicks)", "Please help us improve.",
                              "Or, if you prefer to send an email,", "Thank you for trying Tambrel Product.", "Thanks,",
                              "Tambrel Developer"})
            QVERIFY2(texts.contains(QString::fromLatin1(t)), t);
        QCOMPARE(w.SurveyLink()->text(), QStringLiteral("Click here to fillup a feedback form in our website"));
        QCOMPARE(w.MailLink()->text(), QStringLiteral("Click here"));
        QCOMPARE(w.ContinueButton()->text(), QStringLiteral("Continue Uninstall .."));
        QCOMPARE(w.CancelButton()->text(), QStringLiteral("Cancel  Uninstall"));
        QStringList acts;
        connect(&w, &FeedBackFrm::LinkClicked, this, [&](int i) { acts << QString::number(i); });
        connect(&w, &FeedBackFrm::ContinueClicked, this, [&] { acts << "continue"; });
        connect(&w, &FeedBackFrm::CancelClicked, this, [&] { acts << "cancel"; });
        w.SurveyLink()->click();
        w.MailLink()->click();
        w.ContinueButton()->click();
        w.CancelButton()->click();
        w.show();
        w.close(); // the close box is Cancel
        QCOMPARE(acts, (QStringList{"0", "1", "continue", "cancel", "cancel"}));
        Shot(&w, "uninstall-feedback");
    }

    void handStartedUninstallerExplainsItself() {
        FeedBackFrm w;
        QtUninstallUi ui(w, [](int) {}); // quitting would end every later event loop
        VirtualClock clock;
        FakeProcess process;
        Uninstaller u(ui, clock, process);
        QString text, title;
        AnswerNextBox(QMessageBox::Ok, &text, &title, nullptr, "uninstall-hand-started");
        u.Start(
            {}, [](const std::string&) { return false; }, [](const std::string&) { return false; });
        QVERIFY2(
            text.startsWith(QStringLiteral("This was the uninstall program used by control panel's "
                                           "'Add/Remove program'\n\nIf you have already uninstalled Tambrel Product")),
            qPrintable(text));
        QCOMPARE(title, QStringLiteral("Uninstall Tambrel Product"));
        QVERIFY(u.Ended());
    }
    void uninstallerAsksWithTheStopIconAndReportsCompletion() {
        FeedBackFrm w;
        QtUninstallUi ui(w, [](int) {}); // quitting would end every later event loop
        VirtualClock clock;
        FakeProcess process;
        Uninstaller u(ui, clock, process);
        connect(&w, &FeedBackFrm::ContinueClicked, this, [&] { u.OnContinue(); });
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        AnswerNextBox(QMessageBox::Yes, &text, &title, &icon, "uninstall-question");
        u.Start(
            {"/opt/t/tambrel-remove"}, [](const std::string& n) { return n == "TambrelOrchestra"; },
            [](const std::string&) { return true; });
        QCOMPARE(text, QStringLiteral("Do you wish to Uninstall Tambrel Orchestra?"));
        QCOMPARE(title, QStringLiteral("Uninstall Tambrel Orchestra"));
        QCOMPARE(icon, QMessageBox::Critical);
        QVERIFY(w.isVisible());
        w.ContinueButton()->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(process.started, 1);
        AnswerNextBox(QMessageBox::Ok, &text, &title, nullptr, "uninstall-completed");
        clock.AdvanceTo(1000);
        QCOMPARE(text, QStringLiteral("Tambrel Orchestra UnInstall Completed"));
        QVERIFY(u.Ended());
        QCOMPARE(u.ExitStatus(), 0);
    }
};

QTEST_MAIN(InstallWindowsTest)
#include "InstallWindowsTest.moc"
