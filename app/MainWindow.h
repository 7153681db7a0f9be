#pragma once
// The main window MainMDIFrm: menus whose item lists the core rebuilds, the
// MDI area with one board view per Play Board, the "Current/Active Play
// Board" label and the two-panel status bar. Every act goes to one core
// command; the window holds no rule. User-interface thread.

#include <QLabel>
#include <QDialog>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>

#include <functional>
#include <map>

#include "common/MenuItem.h"
#include "common/Shell.h"
#include "document/Notices.h"
#include "document/ProgramState.h"
#include "session/WindowPlacement.h"

namespace tambrel {

class AudioMenu;
class Program;
class QtShell;
class BoardViewWindow;
class KeyEditorPanel;
class KeyLightDriver;
class RecordingPanel;

class MainWindow : public QMainWindow, public NoticeListener {
    Q_OBJECT
public:
    MainWindow(ProgramState& st, QtShell& shell);
    ~MainWindow() override;

    // The program the menus act on; set before the start routine goes on.
    void SetProgram(Program* program);
    // The core told the windows that something changed.
    void OnNotice(const Notice& n) override;

    QMdiArea* Area() const { return area_; }
    // The board view window of Play Board p; none when it has none.
    BoardViewWindow* BoardViewOf(int p) const { return ViewOf(p); }
    QLabel* TipPanel() const { return tipPanel_; }
    QLabel* StatusPanel() const { return statusPanel_; }
    // The key assignment editor beside the Play Tables.
    KeyEditorPanel* EditorPanel() const { return editorPanel_; }
    // The "Recording and Playback:" panel above the Play Tables.
    RecordingPanel* Recording() const { return recordingPanel_; }
    // The "Audio Output" menu with its "Buffer" submenu.
    AudioMenu* Audio() const { return audioMenu_; }
    // Keys light while they sound unless the settings turned it off.
    KeyLightDriver* Lights() const { return lights_; }

    // Raised by a second instance: un-minimised, raised and activated.
    void BringToFront();
    // Applies the stored placement (twips) before the window is shown.
    void ApplyPlacement(const std::string& stored);
    // Closing without asking anything more (after a close was accepted).
    bool closing = false;
    // The program's exit status once it has closed.
    int exitStatus = 0;
    // SIGTERM, SIGHUP or SIGINT: the program ends now, even with a dialog
    // open, asking nothing; unsaved changes are kept as a recovery copy.
    void CloseBySignal();
    // The Window menu's "Tile Horizontal" and "Tile Vertical".
    void TileBoardViews(bool horizontal);

    // Help, the about window, the open message and the layout editor
    // (MainWindowHelp.cpp).
    // SetHelpFile: checks once that the help file is there, and says so
    // when it is not; call it when the window has been loaded.
    void SetHelpFile();
    // The help at a topic (Help > "Help Content" gives 100).
    void ShowHelpTopic(int topic);
    void ShowAbout();
    // ShowOpenMessage: the open message in view or edit mode.
    void ShowOpenMessageDialog(bool editMode);
    // Tools > "Edit Layout" item d: the layout editor on device d, then the
    // board views catch up.
    void EditLayout(int device);
    // Lets a test stand in for the modal dialogs these open: it gets the
    // dialog just before it is shown.
    std::function<void(QDialog*)> beforeDialog;

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    WindowPlacement Placement() const;
    // Items without a tip of their own clear the tip panel.
    void FollowTip(QObject* watched, QEvent* e);
    void BuildMenus();
    QAction* AddItem(QMenu* menu, const QString& text, const QString& tip, std::function<void()> act);
    // Replaces the actions of menu with items; act(i) runs for item i.
    void FillMenu(QMenu* menu, const MenuItems& items, std::function<void(int)> act, const QString& tip);
    void UpdateSetActiveMenu();
    void UpdateBoardMenus();
    void UpdateDeviceMenus();
    void UpdateMidiPortMenu();
    void ShowActivePlayBoard();
    void ShowDevices();
    BoardViewWindow* ViewOf(int p) const;
    void OpenBoardView(int p);
    void CloseBoardView(int p);
    // One handler per notice.
    void On(const notice::RebuildBoardView& n);
    void On(const notice::RebuildAllBoardViews& n);
    void On(const notice::OpenBoardView& n);
    void On(const notice::ShowBoardView& n);
    void On(const notice::CloseBoardView& n);
    void On(const notice::CloseAllBoardViews& n);
    void On(const notice::RenumberBoardView& n);
    void On(const notice::ActivateBoardView& n);
    void On(const notice::RedrawBoardView& n);
    void On(const notice::RedrawBoard& n);
    void On(const notice::UpdateTableCaption& n);
    void On(const notice::UpdateBoardCaption& n);
    void On(const notice::ShowKeyIcon& n);
    void On(const notice::ShowKeyMenu& n);
    void On(const notice::ShowPlayTableMenu& n);
    void On(const notice::ShowActivePlayBoard& n);
    void On(const notice::UpdateSetActiveMenu& n);
    void On(const notice::UpdateBoardMenu& n);
    void On(const notice::UpdateDeviceMenus& n);
    void On(const notice::UpdateMidiPortMenu& n);
    void On(const notice::ShowPlayAssignment& n);
    void On(const notice::HidePlayAssignment& n);
    void On(const notice::ShowInputOnOff& n);
    void On(const notice::ShowDslRemark& n);
    void On(const notice::UpdateRecordingPanel& n);
    void On(const notice::ShowCurRecName& n);
    void On(const notice::ShowOpenMessage& n);
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    // Sound files dropped on a key of a board view.
    void DropOnKey(int playBoard, int subBoard, int key, const QStringList& files);
    void On(const notice::KeyPlayed& n);
    void On(const notice::KeyStoppedSounding& n);
    // The lights changed: the keys are painted again in their views.
    void RepaintLitKeys();
    // RefreshBoardViews(p), the activations it causes not taken as the user's.
    void Rebuild(int p);
    void Repaint(int p);
    void ShowKeyMenu(KeyAddress at);
    void ShowPlayTableMenu();
    void ShowSubBoardMenu(int p, int b, QPoint at);
    void Tip(const QString& text);
    void BuildHelpMenu();
    // F1 anywhere in the program: the help at the topic of the control the
    // key went to (the focused one).
    bool HandleHelpKey(QObject* receiver, QEvent* e);

    ProgramState& st_;
    QtShell& shell_;
    Program* program_ = nullptr;
    QMdiArea* area_ = nullptr;
    KeyEditorPanel* editorPanel_ = nullptr;
    QLabel* curPlyBdLbl_ = nullptr;
    RecordingPanel* recordingPanel_ = nullptr;
    QLabel* tipPanel_ = nullptr;
    QLabel* statusPanel_ = nullptr;
    QMenu* setActiveMnu_ = nullptr;
    QMenu* boardAddMnu_ = nullptr;
    QMenu* boardCloneMnu_ = nullptr;
    QMenu* boardRenameMnu_ = nullptr;
    QMenu* boardDeleteMnu_ = nullptr;
    QMenu* midiPortMnu_ = nullptr;
    AudioMenu* audioMenu_ = nullptr;
    QMenu* editLayoutMnu_ = nullptr;
    std::map<int, BoardViewWindow*> views_;
    KeyLightDriver* lights_ = nullptr;
    bool refreshing_ = false;
    const QEvent* lastKey_ = nullptr;
    quint64 lastKeyTime_ = 0;
};

} // namespace tambrel
