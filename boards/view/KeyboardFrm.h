#pragma once
// A board view window's content: paints the board-view model's picture of
// one Play Board (a surface per Sub Board with its caption strip, key faces,
// icons, mute crosses and the blue current key) and hands every mouse press
// and the window's activation to the model. No rule lives here.
// User-interface thread.

#include <QAccessible>
#include <QWidget>

#include <string>
#include <vector>

#include "boards/BoardView.h"
#include "boards/KeyLights.h"

namespace tambrel {

class KeyboardFrm : public QWidget {
    Q_OBJECT
public:
    KeyboardFrm(ProgramState& st, std::int32_t playBoard, QWidget* parent = nullptr);

    BoardView& Model() { return model_; }
    // Draws every surface again from the model and sizes the view to them.
    void DrawBoardsAll();
    // Paints again from the last drawing (a key's icon or one board changed).
    void Repaint();
    // Where lit keys' brightness comes from; nullptr: no key is lit. The
    // lights outlive the view.
    void SetLights(const KeyLights* lights) { lights_ = lights; }
    // The key's brightness changed: only its face is painted again.
    void RepaintKey(SubBoardNo subBoard, KeyNo key);
    // What the tip over a key says: its label and, whole, what it plays
    // (the face may show it cut short). Empty for a key without a sound.
    QString KeyTip(SubBoardNo subBoard, KeyNo key) const;
    // The key a drag is over (key 0: none).
    KeyNo DropTargetKey() const { return dropKey_; }
    // The widget rectangle of a key of the last drawing; empty when none.
    QRect KeyRect(SubBoardNo subBoard, KeyNo key) const;
    // The surface and surface pixels under a point of the widget; 0 for the background.
    std::int32_t SurfaceAt(QPoint p, QPoint& inSurface) const;
    const BoardViewPicture& Picture() const { return picture_; }

    QSize sizeHint() const override;
    ~KeyboardFrm() override;

    // The keys of every surface in order, as accessible children.
    int AccessibleKeyCount() const;
    const BoardKey* AccessibleKey(int index) const;
    const BoardSurface* SurfaceOfAccessible(int index) const;
    std::string KeyLabel(int index) const;
    QAccessible::Id& AccessibleId(int index);
    // A screen reader pressed key `index`: as a click in its middle.
    void PressAccessibleKey(int index);

signals:
    // A right press on a board's caption strip: the "SubBoard" popup.
    void CaptionMenuRequested(int playBoard, int subBoard, QPoint globalPos);
    // The status-bar tip for where the mouse is.
    void TipChanged(const QString& text);
    // Files were dropped on key `key` of Sub Board `subBoard`, at least one
    // of them a sound file; the others are for the drop to name.
    void SoundFilesDropped(int playBoard, int subBoard, int key, const QStringList& files);

protected:
    void paintEvent(QPaintEvent* e) override;
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void PaintSurface(QPainter& p, const BoardSurface& s, const QRect& exposed);
    // Where accessible child `index` lies: surface and key within it.
    bool Locate(int index, std::size_t& surface, std::size_t& key) const;
    void ForgetAccessibleKeys();
    // The key whose face strictly holds p (widget pixels); false for none.
    bool KeyAt(QPoint p, SubBoardNo& subBoard, KeyNo& key) const;
    // The key a drag would drop on: highlighted while the drag is over it.
    void SetDropTarget(SubBoardNo subBoard, KeyNo key);
    SubBoardNo dropSub_{0};
    KeyNo dropKey_{0};
    std::vector<QAccessible::Id> accessibleIds_;
    const KeyLights* lights_ = nullptr;
    std::vector<std::uint8_t> levels_; // one surface's levels while painting
    ProgramState& st_;
    BoardView model_;
    BoardViewPicture picture_;
};

} // namespace tambrel
