#include "boards/view/BoardViewWindow.h"

#include <QCloseEvent>
#include <QScrollArea>

#include "common/CodePage.h"

namespace tambrel {

BoardViewWindow::BoardViewWindow(ProgramState& st, std::int32_t playBoard, QWidget* parent)
    : QMdiSubWindow(parent), view_(new KeyboardFrm(st, playBoard)) {
    setObjectName("KeyboardFrmWindow");
    auto* scroll = new QScrollArea;
    scroll->setWidget(view_);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(false);
    setWidget(scroll);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void BoardViewWindow::UpdateTableCaption() {
    const QString t = QString::fromStdString(Cp1252ToUtf8(view_->Model().UpdateTableCaption(isMinimized())));
    setWindowTitle(t);
    setAccessibleName(t);
}

void BoardViewWindow::DrawBoardsAll() {
    view_->DrawBoardsAll();
    // The frame around the client area, as the window system draws it.
    const QSize frame = size() - widget()->size();
    if (!isMinimized() && !isMaximized()) {
        const QSize want = view_->size() + (frame.isValid() && frame.width() > 0 ? frame : QSize(8, 30));
        if (want != size()) resize(want);
    }
}

void BoardViewWindow::CloseByProgram() {
    byProgram_ = true;
    close();
}

void BoardViewWindow::closeEvent(QCloseEvent* e) {
    if (byProgram_) {
        QMdiSubWindow::closeEvent(e);
        return;
    }
    e->ignore();
    showMinimized();
}

void BoardViewWindow::changeEvent(QEvent* e) {
    QMdiSubWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) UpdateTableCaption();
}

} // namespace tambrel
