#pragma once
// The MDI child window around a board view: closing it from its close box
// minimises it instead (only the program closes board views), and its title
// follows the model's caption rule, minimised or not.

#include <QMdiSubWindow>

#include "boards/view/KeyboardFrm.h"

namespace tambrel {

class BoardViewWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    BoardViewWindow(ProgramState& st, std::int32_t playBoard, QWidget* parent = nullptr);

    KeyboardFrm* View() const { return view_; }
    void UpdateTableCaption();
    // Redraws every board and fits the window to them.
    void DrawBoardsAll();
    // The program itself closes the window (deleting the Play Board, a new
    // or opened Orchestra, shutdown).
    void CloseByProgram();

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    KeyboardFrm* view_;
    bool byProgram_ = false;
};

} // namespace tambrel
