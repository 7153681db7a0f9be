#pragma once
// The layout editor window "Edit Board Layout": paints the layout-edit
// session's board with the board views' painter, its two drag lines and,
// while one is dragged, the drag shadow; pops up the key menu; hands every
// act to the session. Closing without OK (Cancel, Escape, the title bar)
// restores the layout the device had when the window opened.
// User-interface thread.

#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>

#include "boards/LayoutEditSession.h"

namespace tambrel {

class LayoutCanvas;

// The reset dialog " Reset Layout": the chosen default layout type, or none
// after "Cancel".
class LayOutRsetFrm : public QDialog {
    Q_OBJECT
public:
    // Lists types (the editor's ResetTypes()), the first preselected.
    explicit LayOutRsetFrm(QWidget* parent = nullptr,
                           std::vector<LayoutType> types = {LayoutType::Keyboard, LayoutType::Mouse,
                                                            LayoutType::Rectangle});
    LayoutType Chosen() const;
    QListWidget* List() const { return list_; }

private:
    QListWidget* list_ = nullptr;
    std::vector<LayoutType> types_;
};

class LayoutFrm : public QDialog {
    Q_OBJECT
public:
    LayoutFrm(ProgramState& st, QWidget* parent = nullptr);
    ~LayoutFrm() override;

    // Prepares the window for device (1-based); false when there is none.
    bool InitilizeForm(std::int32_t device);
    LayoutEditSession& Session() { return session_; }
    LayoutCanvas* Canvas() const { return canvas_; }

    // The width of the drag lines, in pixels.
    static constexpr int kLineThickness = 4;

public slots:
    void accept() override; // OK
    void reject() override; // Cancel, Escape and the title bar's close

signals:
    // The status-bar tip for where the mouse is.
    void TipChanged(const QString& text);

private:
    void ResetLayout();
    void Refresh();
    ProgramState& st_;
    LayoutEditSession session_;
    QScrollArea* scroll_ = nullptr;
    LayoutCanvas* canvas_ = nullptr;
    bool finished_ = false;
    friend class LayoutCanvas;
};

// BoardPic with DragHImg, DragVImg and DragPic painted over and around it.
class LayoutCanvas : public QWidget {
    Q_OBJECT
public:
    LayoutCanvas(LayoutFrm& form, LayoutEditSession& session);
    QSize sizeHint() const override;
    // Where the lines stand now (also while dragged).
    QRect WidthLineRect() const;
    QRect HeightLineRect() const;
    // The key pop-up menu ButtonLayPopUpMnu, shown at a global position.
    void ShowKeyMenu(QPoint at);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent*) override;
    // Left and Right select the previous or next key, the menu key (or
    // Shift+F10) opens the key menu of the selected one.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void Tip(const QString& text);
    LayoutFrm& form_;
    LayoutEditSession& session_;
};

} // namespace tambrel
