// Draws the windows of the main window as a user sees them and saves each
// as a PNG into the folder named on the command line (the pictures of the
// docs and of the help). Not a test: run it by hand after changing a window.
//   QT_QPA_PLATFORM=offscreen TakeWindowShots docs

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "app/AboutFrm.h"
#include "app/HelpWindow.h"
#include "app/KeyEditorPanel.h"
#include "controls/ImageProcessFrm.h"
#include "app/MainWindow.h"
#include "boards/view/BoardViewWindow.h"
#include "app/OpenMsgFrm.h"
#include "app/QtShell.h"
#include "boards/view/LayoutFrm.h"
#include "common/Settings.h"
#include "session/HelpFile.h"
#include "session/Program.h"
#include "tests/app/ProgramRig.h"

using namespace tambrel;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    auto save = [&](QWidget* w, const char* name) {
        QApplication::processEvents();
        w->grab().save(out + "/" + name);
    };

    // The program beside its help (with the pictures it shows) and the sample.
    test::ProgramRig rig(nullptr, [](const QString& folder) {
        QFile::copy(QStringLiteral(TAMBREL_SOURCE_DIR "/docs/help/TambrelOrchestra.html"),
                    folder + "/TambrelOrchestra.html");
        QDir().mkpath(folder + "/help-images");
        for (const QString& png : QDir(QStringLiteral(TAMBREL_SOURCE_DIR "/docs")).entryList({"*.png"}))
            QFile::copy(QStringLiteral(TAMBREL_SOURCE_DIR "/docs/") + png, folder + "/help-images/" + png);
        test::PlaceSample(folder);
    });
    ProgramState& st = rig.st;
    Settings& settings = rig.settings;
    MainWindow& window = *rig.window;
    Program& program = *rig.program;
    window.resize(1000, 700);

    // The first key of a kind on the active Play Board; 0 when it has none.
    auto firstKey = [&](std::int32_t src) -> std::int32_t {
        for (std::int32_t k = 1; k <= 256; ++k)
            if (const KeyAssign* key = st.Orc.FindKey({PlayBoardNo{st.Orc.CurSet}, SubBoardNo{1}, KeyNo{k}});
                key && key->SndSrc == src)
                return k;
        return 0;
    };
    auto edit = [&](std::int32_t k) {
        st.EditSet = st.Orc.CurSet;
        st.EditBd = 1;
        st.EditKey = k;
        st.EditKeyValid = kVbTrue;
        window.EditorPanel()->ShowPlayAssignment();
    };
    // An Orchestra without an action key gets one on a free key, as the
    // panel's own buttons would assign it.
    if (!firstKey(kSrcAction))
        if (const std::int32_t k = firstKey(kSrcNone)) {
            edit(k);
            program.Editor().ChooseSource(kSrcAction);
            program.Editor().ChooseActionCommand(kActChangeTable);
            program.Editor().ChooseActionTarget(0);
        }
    auto shootPanel = [&](std::int32_t src, const QString& name) {
        if (const std::int32_t k = firstKey(src)) {
            edit(k);
            save(window.EditorPanel(), name.toLatin1().constData());
        }
    };
    ImageProcessFrm::Shared().SetSettings(&settings);
    ImageProcessFrm::Shared().ResetPictures();
    save(&window, "key-editor-hint.png");
    for (const QString& skin : {QStringLiteral("1"), QStringLiteral("0")}) {
        settings.WriteSetting("General", "Current Skin", skin.toStdString());
        ImageProcessFrm::Shared().ResetPictures();
        const QString suffix = skin == "1" ? QString() : "-skin" + skin;
        shootPanel(kSrcWave, "key-editor-wave" + suffix + ".png");
        shootPanel(kSrcMidi, "key-editor-midi" + suffix + ".png");
        shootPanel(kSrcAction, "key-editor-action" + suffix + ".png");
    }
    settings.WriteSetting("General", "Current Skin", "1");
    ImageProcessFrm::Shared().ResetPictures();
    st.EditKeyValid = kVbFalse;
    window.EditorPanel()->ShowPlayAssignment();

    {
        LayoutFrm editor(st, &window);
        editor.InitilizeForm(1);
        editor.show();
        // Select a key, then drag the width line part of the way: the shadow shows.
        for (const KeyFace& f : editor.Session().Picture().Faces)
            if (f.Label == "Q")
                editor.Session().Select((f.Left + f.Right) / 2, (f.Top + f.Bottom) / 2, MouseButton::Left);
        LayoutCanvas* c = editor.Canvas();
        const QPoint from = c->WidthLineRect().center();
        QTest::mousePress(c, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(from - QPoint(160, 0)),
                         c->mapToGlobal(QPointF(from - QPoint(160, 0))), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(c, &move);
        save(&editor, "layout-editor.png");
        QTest::mouseRelease(c, Qt::LeftButton, Qt::NoModifier, from - QPoint(160, 0));
        editor.reject();
    }
    {
        LayOutRsetFrm reset(&window);
        reset.show();
        save(&reset, "reset-layout.png");
        LayOutRsetFrm midi(&window,
                           {LayoutType::Keyboard, LayoutType::Mouse, LayoutType::Rectangle, LayoutType::Notes});
        midi.List()->setCurrentRow(3);
        midi.show();
        save(&midi, "reset-layout-midi.png");
    }
    st.Orc.OpenMsg = "Welcome to the drum night!\r\n\r\nPress 1 to 8 for the drums, Q, W and E for the bass.\r\n"
                     "Switch to the second Play Board for the solo part.";
    {
        OpenMsgFrm view(st, false, &window);
        view.show();
        save(&view, "open-message-view.png");
    }
    {
        OpenMsgFrm edit(st, true, &window);
        edit.show();
        save(&edit, "open-message-edit.png");
    }
    {
        AboutFrm about(&window);
        about.show();
        save(&about, "about.png");
    }
    if (HelpWindow* help = ShowHelp(st, kTopicLayoutEditor, &window)) {
        help->resize(820, 640);
        save(help, "help-window.png");
        help->close();
    }
    // The sample's boards with the names of their sounds, a key lit as it
    // sounds, in both skins.
    for (const QString& skin : {QStringLiteral("1"), QStringLiteral("0")}) {
        settings.WriteSetting("General", "Current Skin", skin.toStdString());
        ImageProcessFrm::Shared().ResetPictures();
        window.EditorPanel()->ShowPlayAssignment();
        if (QMdiSubWindow* v = window.BoardViewOf(st.Orc.CurSet)) window.Area()->setActiveSubWindow(v);
        st.views.Post(notice::KeyPlayed{{PlayBoardNo{st.Orc.CurSet}, SubBoardNo{1}, KeyNo{2}}, 1000});
        QTest::qWait(60);
        save(&window, skin == "1" ? "key-faces-lit.png" : "key-faces-lit-skin0.png");
        QTest::qWait(1500);
    }
    window.closing = true;
    return 0;
}
