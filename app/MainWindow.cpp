#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>
#include <variant>

#include "app/AudioMenu.h"
#include "app/DeviceListDialog.h"
#include "app/ExportRecordingDialog.h"
#include "app/KeyEditorPanel.h"
#include "app/RecordingPanel.h"
#include "boards/RefreshBoardViews.h"
#include "boards/view/BoardViewWindow.h"
#include "boards/view/KeyLightDriver.h"
#include "boards/KeyDrop.h"
#include "sound/KeyPlayer.h"
#include "app/QtShell.h"
#include "document/BoardOps.h"
#include "document/FileCommands.h"
#include "input/InputSystem.h"
#include "recording/KeystrokeRecorder.h"
#include "session/MainMenus.h"
#include "session/Program.h"
#include "session/WindowPlacement.h"

namespace tambrel {

namespace {
constexpr char kShowDevicesText[] = "These are the Input Devices detected";
} // namespace

MainWindow::MainWindow(ProgramState& st, QtShell& shell) : st_(st), shell_(shell) {
    setObjectName("MainMDIFrm");
    lights_ = new KeyLightDriver(this);
    connect(lights_, &KeyLightDriver::KeysChanged, this, &MainWindow::RepaintLitKeys);
    setAcceptDrops(true);
    setWindowTitle(FromCore(kProgramTitle));
    setAccessibleName(windowTitle());

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* top = new QHBoxLayout;
    curPlyBdLbl_ = new QLabel(central);
    curPlyBdLbl_->setObjectName("CurPlyBdLbl");
    curPlyBdLbl_->setTextFormat(Qt::PlainText);
    curPlyBdLbl_->setAccessibleName("Current/Active Play Board");
    recordingPanel_ = new RecordingPanel(central);
    connect(recordingPanel_, &RecordingPanel::TipChanged, this, &MainWindow::Tip);
    connect(recordingPanel_, &RecordingPanel::DialogOpening, this, [this](QDialog* d) {
        if (beforeDialog) beforeDialog(d);
    });
    auto* activeCaption = new QLabel("Current/Active Play Board:", central);
    activeCaption->setAccessibleName(activeCaption->text());
    top->addWidget(activeCaption);
    top->addWidget(curPlyBdLbl_, 1);
    top->addSpacing(12);
    top->addWidget(recordingPanel_);
    layout->addLayout(top);
    area_ = new QMdiArea(central);
    area_->setObjectName("MDIArea");
    area_->setAccessibleName("Play Tables");
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* body = new QHBoxLayout;
    editorPanel_ = new KeyEditorPanel(central);
    editorPanel_->focusBack = this;
    connect(editorPanel_, &KeyEditorPanel::TipChanged, this, &MainWindow::Tip);
    body->addWidget(editorPanel_);
    body->addWidget(area_, 1);
    layout->addLayout(body, 1);
    connect(area_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        // Views shown while they are being rebuilt activate themselves one
        // after another; only the user's choice, or the rebuild's own
        // activation at its end, makes a Play Board the active one.
        if (refreshing_ || closing) return;
        BoardViewWindow* view = nullptr;
        for (auto& [p, v] : views_)
            if (v == w) view = v;
        if (!view) return;
        // What activation tells the windows may change the list of views.
        view->View()->Model().Activated();
        UpdateBoardMenus();
    });
    setCentralWidget(central);

    tipPanel_ = new QLabel(this);
    tipPanel_->setObjectName("SBar1Tip");
    tipPanel_->setTextFormat(Qt::PlainText);
    tipPanel_->setAccessibleName("Tip");
    statusPanel_ = new QLabel(this);
    statusPanel_->setObjectName("SBar1Status");
    statusPanel_->setTextFormat(Qt::PlainText);
    statusPanel_->setAccessibleName("Status");
    statusBar()->addWidget(tipPanel_, 3);
    statusBar()->addWidget(statusPanel_, 2);

    shell_.window = this;
    shell_.tipPanel = tipPanel_;
    shell_.statusPanel = statusPanel_;
    st_.views.Listen(this);
    BuildMenus();
}

MainWindow::~MainWindow() {
    // The MDI area outlives this object's members while Qt tears down the
    // children: it must no longer report activations to them.
    disconnect(area_, nullptr, this, nullptr);
    closing = true;
    qApp->removeEventFilter(this);
    st_.views.Listen(nullptr);
}

void MainWindow::SetProgram(Program* program) {
    program_ = program;
    editorPanel_->SetProgram(program);
    audioMenu_->SetProgram(program);
    recordingPanel_->SetRecorder(program ? &program->GetInstrument().Recorder() : nullptr);
    qApp->installEventFilter(this);
}

void MainWindow::Tip(const QString& text) { shell_.Tip(text); }

QAction* MainWindow::AddItem(QMenu* menu, const QString& text, const QString& tip, std::function<void()> act) {
    QAction* a = menu->addAction(text);
    a->setStatusTip(tip);
    a->setToolTip(tip);
    connect(a, &QAction::triggered, this, [act = std::move(act)] { act(); });
    connect(a, &QAction::hovered, this, [this, tip] { Tip(tip); });
    return a;
}

void MainWindow::FillMenu(QMenu* menu, const MenuItems& items, std::function<void(int)> act, const QString& tip) {
    menu->clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        QAction* a = menu->addAction(MenuText(item.Caption));
        a->setVisible(item.Visible);
        a->setEnabled(item.Enabled);
        a->setCheckable(item.Checked);
        a->setChecked(item.Checked);
        a->setStatusTip(tip);
        a->setToolTip(tip);
        const int index = static_cast<int>(i);
        // Item 0 is the template: choosing it does nothing.
        if (index > 0) connect(a, &QAction::triggered, this, [act, index] { act(index); });
    }
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    AddItem(file, "&New", "Make a new Orchestra", [this] { FileNew(st_); });
    AddItem(file, "&Open...", "Open an Orchestra file", [this] { FileOpen(st_); });
    AddItem(file, "&Save", "Save the Orchestra", [this] { FileSave(st_, false); });
    AddItem(file, "Save &As...", "Save the Orchestra under a new name", [this] { FileSave(st_, true); });
    AddItem(file, "Edit &Message", "Edit the message shown to whoever opens this Orchestra",
            [this] { ShowOpenMessageDialog(true); });
    AddItem(file, "&Export Recording as Wave\u2026", "Write the current recording to a wave file, as it plays",
            [this] { ExportRecordingAsWave(this, st_); });
    file->addSeparator();
    AddItem(file, "E&xit", "Close Tambrel Orchestra", [this] { close(); });

    QMenu* table = menuBar()->addMenu("&PlayTable");
    AddItem(table, "&Add", "Add a copy of the active Play Board",
            [this] { PlayBoardOp(st_, kPbClone, st_.Orc.CurSet); });
    AddItem(table, "&Rename", "Rename the active Play Board", [this] { PlayBoardOp(st_, kPbRename, st_.Orc.CurSet); });
    AddItem(table, "&Delete", "Delete the active Play Board", [this] { PlayBoardOp(st_, kPbDelete, st_.Orc.CurSet); });
    setActiveMnu_ = table->addMenu("Set Active");

    QMenu* board = menuBar()->addMenu("&Board");
    boardAddMnu_ = board->addMenu("Add");
    boardCloneMnu_ = board->addMenu("Clone");
    boardRenameMnu_ = board->addMenu("Rename");
    boardDeleteMnu_ = board->addMenu("Delete");

    midiPortMnu_ = menuBar()->addMenu("&Midi Port");
    audioMenu_ = new AudioMenu(menuBar(), midiPortMnu_->menuAction(), shell_);

    QMenu* tools = menuBar()->addMenu("&Tools");
    editLayoutMnu_ = tools->addMenu("Edit Layout");
    AddItem(tools, "Show Devices", "Show the input devices detected", [this] { ShowDevices(); });

    QMenu* window = menuBar()->addMenu("&Window");
    AddItem(window, "Cascade", "Arrange the Play Tables one behind another", [this] { area_->cascadeSubWindows(); });
    AddItem(window, "Tile Horizontal", "Arrange the Play Tables one above another, each as wide as the window",
            [this] { TileBoardViews(true); });
    AddItem(window, "Tile Vertical", "Arrange the Play Tables side by side, each as high as the window",
            [this] { TileBoardViews(false); });
    AddItem(window, "Arrange Icons", "Line up the minimised Play Tables", [this] {
        // Minimised views lined up along the bottom of the area.
        int x = 0;
        for (QMdiSubWindow* w : area_->subWindowList())
            if (w->isMinimized()) {
                w->move(x, area_->viewport()->height() - w->height());
                x += w->width();
            }
    });

    BuildHelpMenu();

    for (QMenu* m : findChildren<QMenu*>()) {
        m->setAccessibleName(m->title().remove('&'));
        m->setToolTipsVisible(true);
    }
    UpdateSetActiveMenu();
    UpdateBoardMenus();
    UpdateDeviceMenus();
    UpdateMidiPortMenu();
}

void MainWindow::UpdateSetActiveMenu() {
    FillMenu(
        setActiveMnu_, SetActiveMenu(st_.Orc), [this](int i) { On(notice::ActivateBoardView{PlayBoardNo{i}}); },
        "Make this Play Board the active one");
}

void MainWindow::UpdateBoardMenus() {
    const MenuItems items = BoardMenu(st_.Orc);
    auto op = [this](int code) {
        return [this, code](int b) {
            if (st_.Orc.ValidSet(st_.Orc.CurSet) && b <= st_.Orc.Set(st_.Orc.CurSet).BodNos())
                SubBoardOp(st_, code, b, st_.Orc.CurSet);
        };
    };
    FillMenu(boardCloneMnu_, items, op(kSbClone), "Clone this board");
    FillMenu(boardRenameMnu_, items, op(kSbRename), "Rename this board");
    FillMenu(boardDeleteMnu_, items, op(kSbDelete), "Delete this board");
}

void MainWindow::UpdateDeviceMenus() {
    const MenuItems items = DeviceMenu(st_);
    FillMenu(
        boardAddMnu_, items, [this](int d) { SubBoardOp(st_, kSbAdd, d, st_.Orc.CurSet); },
        "Add a board for this device to the active Play Board");
    FillMenu(
        editLayoutMnu_, items, [this](int d) { EditLayout(d); }, "Edit the key layout of this device");
}

void MainWindow::UpdateMidiPortMenu() {
    if (!program_) {
        midiPortMnu_->clear();
        return;
    }
    FillMenu(
        midiPortMnu_, program_->PortMenu().Items, [this](int i) { program_->ChooseMidiPort(i); },
        "Play MIDI keys on this port");
}

void MainWindow::ShowActivePlayBoard() {
    const Orchestra& o = st_.Orc;
    curPlyBdLbl_->setText(o.ValidSet(o.CurSet) ? FromCore(o.Set(o.CurSet).SetNam) : QString());
}

void MainWindow::ShowDevices() { ChooseFromDeviceList(this, kShowDevicesText, DeviceListEntries(st_)); }

BoardViewWindow* MainWindow::ViewOf(int p) const {
    auto it = views_.find(p);
    return it == views_.end() ? nullptr : it->second;
}

void MainWindow::OpenBoardView(int p) {
    if (ViewOf(p)) return;
    auto* v = new BoardViewWindow(st_, p);
    v->setWindowIcon(windowIcon());
    area_->addSubWindow(v);
    views_[p] = v;
    connect(v->View(), &KeyboardFrm::TipChanged, this, &MainWindow::Tip);
    connect(v->View(), &KeyboardFrm::SoundFilesDropped, this, &MainWindow::DropOnKey);
    v->View()->SetLights(&lights_->Lights());
    connect(v->View(), &KeyboardFrm::CaptionMenuRequested, this, &MainWindow::ShowSubBoardMenu);
    v->UpdateTableCaption();
}

void MainWindow::CloseBoardView(int p) {
    BoardViewWindow* v = ViewOf(p);
    if (!v) return;
    views_.erase(p);
    v->CloseByProgram();
    area_->removeSubWindow(v);
    v->deleteLater();
}

void MainWindow::ShowKeyMenu(KeyAddress at) {
    QMenu menu("Button Pop Up", this);
    menu.setAccessibleName(menu.title());
    QAction* play = menu.addAction("Play");
    play->setStatusTip("Play this key");
    QAction* mute = menu.addAction("Mute");
    mute->setStatusTip("Mute or unmute this key");
    const KeyAssign* key = st_.Orc.FindKey(at);
    mute->setCheckable(true);
    mute->setChecked(key && FlagOn(key->Mute));
    QAction* chosen = menu.exec(QCursor::pos());
    if (!program_ || !chosen) return;
    if (chosen == play) program_->Buttons().PlayPopupKey();
    else if (chosen == mute) program_->GetInstrument().Player().ToggleMute(at);
}

void MainWindow::ShowPlayTableMenu() {
    QMenu menu("PlayBoard", this);
    QAction* title = menu.addAction("[PlayTable Menu]");
    title->setEnabled(false);
    QAction* add = menu.addAction("Add");
    QAction* rename = menu.addAction("Rename");
    QAction* del = menu.addAction("Delete");
    QAction* chosen = menu.exec(QCursor::pos());
    if (chosen == add) PlayBoardOp(st_, kPbClone, st_.Orc.CurSet);
    else if (chosen == rename) PlayBoardOp(st_, kPbRename, st_.Orc.CurSet);
    else if (chosen == del) PlayBoardOp(st_, kPbDelete, st_.Orc.CurSet);
}

void MainWindow::ShowSubBoardMenu(int p, int b, QPoint at) {
    QMenu menu("SubBoard", this);
    // "Add" offers the devices, as the Board menu's "Add" does: a board is
    // always added for a device the user chose.
    QMenu* add = menu.addMenu("Add");
    FillMenu(
        add, DeviceMenu(st_),
        [this, p](int d) {
            if (p == st_.Orc.CurSet) SubBoardOp(st_, kSbAdd, d, p);
        },
        "Add a board for this device to the active Play Board");
    QAction* del = menu.addAction("Delete");
    QAction* keys = menu.addAction("Change No of Keys");
    QAction* chosen = menu.exec(at);
    if (p != st_.Orc.CurSet) return;
    if (chosen == del) SubBoardOp(st_, kSbDelete, b, p);
    else if (chosen == keys) SubBoardOp(st_, 5, b, p);
}

void MainWindow::OnNotice(const Notice& n) {
    std::visit([this](const auto& each) { On(each); }, n);
}

// ---- board views ----

void MainWindow::On(const notice::RebuildBoardView& n) { Rebuild(n.playBoard.value); }
void MainWindow::On(const notice::RebuildAllBoardViews&) { Rebuild(0); }

void MainWindow::Rebuild(int p) {
    const bool was = refreshing_;
    refreshing_ = true;
    RefreshBoardViews(st_, p);
    refreshing_ = was;
}

void MainWindow::On(const notice::OpenBoardView& n) { OpenBoardView(n.playBoard.value); }
void MainWindow::On(const notice::CloseBoardView& n) { CloseBoardView(n.playBoard.value); }

void MainWindow::On(const notice::CloseAllBoardViews&) {
    // Another Orchestra: nothing of the old one stays lit.
    lights_->Clear();
    while (!views_.empty()) CloseBoardView(views_.begin()->first);
}

void MainWindow::On(const notice::RenumberBoardView& n) {
    const int from = n.from.value, to = n.to.value;
    if (BoardViewWindow* v = ViewOf(from); v && !ViewOf(to)) {
        views_.erase(from);
        views_[to] = v;
        v->View()->Model().SetPlayBoardIndex(to);
        v->UpdateTableCaption();
    }
}

void MainWindow::On(const notice::RedrawBoardView& n) {
    if (BoardViewWindow* v = ViewOf(n.playBoard.value)) v->DrawBoardsAll();
}

void MainWindow::On(const notice::ShowBoardView& n) {
    if (BoardViewWindow* v = ViewOf(n.playBoard.value)) v->show();
}

void MainWindow::On(const notice::ActivateBoardView& n) {
    if (BoardViewWindow* v = ViewOf(n.playBoard.value)) {
        const bool was = refreshing_;
        refreshing_ = true;
        if (v->isMinimized()) v->showNormal();
        area_->setActiveSubWindow(v);
        refreshing_ = was;
        v->View()->Model().Activated();
    }
    UpdateBoardMenus();
}

void MainWindow::On(const notice::UpdateTableCaption& n) {
    if (BoardViewWindow* v = ViewOf(n.playBoard.value)) v->UpdateTableCaption();
    UpdateSetActiveMenu();
}

// A board's caption, one board and one key's icon are all painted from the
// view's last picture: the view paints itself again.
void MainWindow::On(const notice::UpdateBoardCaption& n) { Repaint(n.playBoard.value); }
void MainWindow::On(const notice::RedrawBoard& n) { Repaint(n.playBoard.value); }
void MainWindow::On(const notice::ShowKeyIcon& n) { Repaint(n.key.playBoard.value); }

void MainWindow::Repaint(int p) {
    if (BoardViewWindow* v = ViewOf(p)) v->View()->Repaint();
}

void MainWindow::On(const notice::ShowKeyMenu& n) { ShowKeyMenu(n.key); }
void MainWindow::On(const notice::ShowPlayTableMenu&) { ShowPlayTableMenu(); }

void MainWindow::On(const notice::ShowActivePlayBoard&) {
    ShowActivePlayBoard();
    UpdateBoardMenus();
}

// ---- menus ----

void MainWindow::On(const notice::UpdateSetActiveMenu&) { UpdateSetActiveMenu(); }
void MainWindow::On(const notice::UpdateBoardMenu&) { UpdateBoardMenus(); }
void MainWindow::On(const notice::UpdateDeviceMenus&) { UpdateDeviceMenus(); }
void MainWindow::On(const notice::UpdateMidiPortMenu&) { UpdateMidiPortMenu(); }

// ---- editor ----

void MainWindow::On(const notice::ShowPlayAssignment&) { editorPanel_->ShowPlayAssignment(); }
void MainWindow::On(const notice::HidePlayAssignment&) { editorPanel_->Render(); }
void MainWindow::On(const notice::ShowInputOnOff&) { editorPanel_->ShowInputOnOff(); }
void MainWindow::On(const notice::ShowDslRemark& n) { editorPanel_->ShowDslRemark(n.visible); }

// ---- recording ----

void MainWindow::On(const notice::UpdateRecordingPanel&) { recordingPanel_->Render(); }

void MainWindow::On(const notice::ShowCurRecName&) {
    // The file commands ask for the label to be worked out again; the
    // recorder answers with UpdateRecordingPanel.
    if (program_) program_->GetInstrument().Recorder().ShowCurRecName();
}

// ---- document ----

void MainWindow::On(const notice::ShowOpenMessage& n) { ShowOpenMessageDialog(n.editMode); }

// ---- what sounds ----

void MainWindow::On(const notice::KeyPlayed& n) { lights_->Played(n.key, n.ms); }
void MainWindow::On(const notice::KeyStoppedSounding& n) { lights_->Stopped(n.key); }

// ---- drops ----

namespace {
// The first Orchestra file of a drag.
QString OrchestraFileOf(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& u : data->urls())
        if (u.isLocalFile() && IsOrchestraFileName(u.toLocalFile().toStdString())) return u.toLocalFile();
    return {};
}
} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (OrchestraFileOf(e->mimeData()).isEmpty()) e->ignore();
    else e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    const QString file = OrchestraFileOf(e->mimeData());
    if (file.isEmpty()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    // Opened after the drop has ended: the save question must not run
    // inside the drag's own event handling.
    QTimer::singleShot(0, this, [this, name = ToCore(file)] { OpenDroppedFile(st_, name); });
}

void MainWindow::DropOnKey(int playBoard, int subBoard, int key, const QStringList& files) {
    if (!program_) return;
    std::vector<std::string> names;
    for (const QString& f : files) names.push_back(ToCore(f));
    const KeyAddress at{PlayBoardNo{playBoard}, SubBoardNo{subBoard}, KeyNo{key}};
    QTimer::singleShot(0, this, [this, at, names = std::move(names)] {
        if (program_) DropSoundFiles(st_, program_->GetInstrument().Player(), at, names);
    });
}

void MainWindow::RepaintLitKeys() {
    for (const KeyAddress& k : lights_->Changed())
        if (BoardViewWindow* v = ViewOf(k.playBoard.value)) v->View()->RepaintKey(k.subBoard, k.key);
}

void MainWindow::BringToFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void MainWindow::ApplyPlacement(const std::string& stored) {
    const QRect screen = (this->screen() ? this->screen() : QApplication::primaryScreen())->availableGeometry();
    const WindowPlacement p =
        ReadWindowPlacement(stored, screen.width() * kTwipsPerPixel, screen.height() * kTwipsPerPixel);
    setGeometry(screen.x() + p.Left / kTwipsPerPixel, screen.y() + p.Top / kTwipsPerPixel, p.Width / kTwipsPerPixel,
                p.Height / kTwipsPerPixel);
    if (p.State == kWindowMaximised) setWindowState(windowState() | Qt::WindowMaximized);
}

WindowPlacement MainWindow::Placement() const {
    const QRect screen = (this->screen() ? this->screen() : QApplication::primaryScreen())->availableGeometry();
    // The normal bounds, also while maximised, so a maximised window reopens
    // maximised over the place it had.
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    WindowPlacement p;
    p.State = isMaximized() ? kWindowMaximised : kWindowNormal;
    p.Left = (normal.x() - screen.x()) * kTwipsPerPixel;
    p.Top = (normal.y() - screen.y()) * kTwipsPerPixel;
    p.Width = normal.width() * kTwipsPerPixel;
    p.Height = normal.height() * kTwipsPerPixel;
    return p;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (closing || !program_) {
        e->accept();
        return;
    }
    if (!program_->Close(Placement())) {
        e->ignore();
        return;
    }
    closing = true;
    hide();
    e->accept();
    QApplication::exit(0);
}

void MainWindow::CloseBySignal() {
    if (closing) return;
    closing = true;
    // From here nothing waits for the user: a dialog open now (even the
    // question of a close already under way) is left unanswered.
    shell_.quiet = true;
    std::string error;
    if (program_ && !program_->CloseBySignal(Placement(), error)) {
        std::fprintf(stderr, "Tambrel Orchestra: the unsaved changes could not be kept: %s\n", error.c_str());
        exitStatus = 1;
    }
    hide();
    // Every event loop ends, those of open dialogs too.
    QApplication::exit(exitStatus);
}

void MainWindow::TileBoardViews(bool horizontal) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : area_->subWindowList(QMdiArea::CreationOrder))
        if (w->isVisible() && !w->isMinimized()) windows << w;
    // The whole area: the tiles fit, so no scroll bar will take room from it.
    const QSize size = area_->contentsRect().size();
    const std::vector<TileRect> rects =
        TileWindows(horizontal ? Arrangement::TileHorizontal : Arrangement::TileVertical,
                    static_cast<int>(windows.size()), size.width(), size.height());
    for (std::size_t i = 0; i < rects.size(); ++i) {
        QMdiSubWindow* w = windows[static_cast<qsizetype>(i)];
        if (w->isMaximized()) w->showNormal();
        w->setGeometry(rects[i].Left, rects[i].Top, rects[i].Width, rects[i].Height);
    }
}

void MainWindow::changeEvent(QEvent* e) {
    // A screen reader names the window by its caption, which names the file.
    if (e->type() == QEvent::WindowTitleChange) setAccessibleName(windowTitle());
    QMainWindow::changeEvent(e);
}

void MainWindow::FollowTip(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::Enter && e->type() != QEvent::Leave) return;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this || w == this) return;
    const bool ownTip = !w->statusTip().isEmpty() || w->property("tambrelTip").isValid();
    // Entering an item without a tip (a panel, a frame, a plain label)
    // clears the panel; so does leaving one with a tip for whatever lies
    // around it. An item with a tip sets its own as the pointer enters it.
    if ((e->type() == QEvent::Enter && !ownTip) || (e->type() == QEvent::Leave && ownTip)) Tip({});
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    // Keys pressed anywhere in this window (not in a dialog over it) play
    // the keyboard the window feeds. A key event travels up the widget
    // chain; it is played once, and still reaches the menus' shortcuts.
    if (HandleHelpKey(watched, e)) return true;
    FollowTip(watched, e);
    if (e->type() == QEvent::KeyPress && program_ && !QApplication::activeModalWidget()) {
        auto* w = qobject_cast<QWidget*>(watched);
        auto* k = static_cast<QKeyEvent*>(e);
        if (w && w->window() == this && !(k == lastKey_ && k->timestamp() == lastKeyTime_)) {
            lastKey_ = k;
            lastKeyTime_ = k->timestamp();
            const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
            program_->GetWindowKeyboard().KeyPressed(program_->GetInstrument(), k->nativeScanCode(), k->isAutoRepeat(),
                                                     k->timestamp(), now);
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

} // namespace tambrel
