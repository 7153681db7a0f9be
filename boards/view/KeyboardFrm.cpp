#include "boards/view/KeyboardFrm.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QToolTip>
#include <QPainter>

#include "boards/view/BoardPainter.h"
#include "boards/view/KeyboardAccessible.h"
#include "common/CodePage.h"
#include "document/SoundFileNames.h"

namespace tambrel {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(Cp1252ToUtf8(s)); }

} // namespace

KeyboardFrm::KeyboardFrm(ProgramState& st, std::int32_t playBoard, QWidget* parent)
    : QWidget(parent), st_(st), model_(st, playBoard) {
    setObjectName("KeyboardFrm");
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::ClickFocus);
    setAcceptDrops(true);
    InstallKeyboardAccessibility();
    setAccessibleDescription(
        QString::fromUtf8(kBoardSurfaceTip.data(), static_cast<qsizetype>(kBoardSurfaceTip.size())));
    // Labels fit 40-pixel keys.
    QFont f = font();
    f.setPixelSize(10);
    setFont(f);
}

KeyboardFrm::~KeyboardFrm() { ForgetAccessibleKeys(); }

void KeyboardFrm::ForgetAccessibleKeys() {
    for (QAccessible::Id id : accessibleIds_)
        if (id != 0) QAccessible::deleteAccessibleInterface(id);
    accessibleIds_.clear();
}

bool KeyboardFrm::Locate(int index, std::size_t& surface, std::size_t& key) const {
    if (index < 0) return false;
    auto left = static_cast<std::size_t>(index);
    for (std::size_t i = 0; i < picture_.Surfaces.size(); ++i) {
        if (left < picture_.Surfaces[i].Keys.size()) {
            surface = i;
            key = left;
            return true;
        }
        left -= picture_.Surfaces[i].Keys.size();
    }
    return false;
}

int KeyboardFrm::AccessibleKeyCount() const {
    std::size_t n = 0;
    for (const BoardSurface& s : picture_.Surfaces) n += s.Keys.size();
    return static_cast<int>(n);
}

const BoardKey* KeyboardFrm::AccessibleKey(int index) const {
    std::size_t s = 0, k = 0;
    return Locate(index, s, k) ? &picture_.Surfaces[s].Keys[k] : nullptr;
}

const BoardSurface* KeyboardFrm::SurfaceOfAccessible(int index) const {
    std::size_t s = 0, k = 0;
    return Locate(index, s, k) ? &picture_.Surfaces[s] : nullptr;
}

std::string KeyboardFrm::KeyLabel(int index) const {
    std::size_t s = 0, k = 0;
    if (!Locate(index, s, k)) return {};
    const BoardSurface& surface = picture_.Surfaces[s];
    for (const KeyFace& f : surface.Picture.Faces)
        if (f.Key == surface.Keys[k].Key) return f.Label;
    return {};
}

QAccessible::Id& KeyboardFrm::AccessibleId(int index) {
    const auto n = static_cast<std::size_t>(AccessibleKeyCount());
    if (accessibleIds_.size() != n) accessibleIds_.resize(n, 0);
    return accessibleIds_.at(static_cast<std::size_t>(index));
}

void KeyboardFrm::PressAccessibleKey(int index) {
    std::size_t s = 0, k = 0;
    if (!Locate(index, s, k)) return;
    const BoardSurface& surface = picture_.Surfaces[s];
    const BoardKey& key = surface.Keys[k];
    model_.MousePressed(surface.SubBoard, (key.Left + key.Right) / 2, (key.Top + key.Bottom) / 2, MouseButton::Left);
}

void KeyboardFrm::DrawBoardsAll() {
    ForgetAccessibleKeys();
    picture_ = model_.DrawBoardsAll();
    setAccessibleName(Text(picture_.Title));
    setFixedSize(std::max(picture_.ClientWidth, 1), std::max(picture_.ClientHeight, 1));
    update();
}

void KeyboardFrm::Repaint() {
    // Icons and highlights follow the model, from the rectangles of the
    // last drawing.
    for (BoardSurface& s : picture_.Surfaces) {
        if (auto fresh = model_.DrawBoard(s.SubBoard)) {
            const std::int32_t left = s.Left, top = s.Top;
            s = *fresh;
            s.Left = left;
            s.Top = top;
        }
    }
    update();
}

QSize KeyboardFrm::sizeHint() const { return QSize(picture_.ClientWidth, picture_.ClientHeight); }

std::int32_t KeyboardFrm::SurfaceAt(QPoint p, QPoint& inSurface) const {
    for (const BoardSurface& s : picture_.Surfaces) {
        const QRect r(s.Left, s.Top, s.Width, s.Height);
        if (r.contains(p)) {
            inSurface = p - r.topLeft();
            return s.SubBoard;
        }
    }
    return 0;
}

QRect KeyboardFrm::KeyRect(SubBoardNo subBoard, KeyNo key) const {
    for (const BoardSurface& s : picture_.Surfaces) {
        if (s.SubBoard != subBoard.value) continue;
        if (key.value < 1 || static_cast<std::size_t>(key.value) > s.Keys.size()) return {};
        const BoardKey& k = s.Keys[static_cast<std::size_t>(key.value - 1)];
        return QRect(QPoint(s.Left + k.Left, s.Top + k.Top), QPoint(s.Left + k.Right, s.Top + k.Bottom));
    }
    return {};
}

QString KeyboardFrm::KeyTip(SubBoardNo subBoard, KeyNo key) const {
    for (const BoardSurface& s : picture_.Surfaces) {
        if (s.SubBoard != subBoard.value || key.value < 1 || static_cast<std::size_t>(key.value) > s.Keys.size())
            continue;
        const BoardKey& k = s.Keys[static_cast<std::size_t>(key.value - 1)];
        if (k.Sound.empty()) return {};
        for (const KeyFace& f : s.Picture.Faces)
            if (f.Key == k.Key && !f.Label.empty()) return Text(f.Label) + ", " + Text(k.Sound);
        return Text(k.Sound);
    }
    return {};
}

bool KeyboardFrm::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        SubBoardNo sub{0};
        KeyNo key{0};
        const QString tip = KeyAt(help->pos(), sub, key) ? KeyTip(sub, key) : QString();
        if (tip.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(help->globalPos(), tip, this, KeyRect(sub, key));
        return true;
    }
    return QWidget::event(e);
}

void KeyboardFrm::RepaintKey(SubBoardNo subBoard, KeyNo key) {
    const QRect r = KeyRect(subBoard, key);
    if (!r.isEmpty()) update(r);
}

void KeyboardFrm::PaintSurface(QPainter& p, const BoardSurface& s, const QRect& exposed) {
    levels_.clear();
    if (lights_ && !lights_->Idle()) {
        levels_.resize(s.Keys.size(), 0);
        const PlayBoardNo pb{model_.PlayBoardIndex()};
        for (std::size_t i = 0; i < s.Keys.size(); ++i)
            levels_[i] = lights_->Level({pb, SubBoardNo{s.SubBoard}, KeyNo{s.Keys[i].Key}});
    }
    PaintBoardSurface(p, s, palette().window(), devicePixelRatioF(), levels_, exposed);
}

void KeyboardFrm::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(e->rect(), QColor(96, 104, 120));
    for (const BoardSurface& s : picture_.Surfaces)
        if (e->rect().intersects(QRect(s.Left, s.Top, s.Width, s.Height))) PaintSurface(p, s, e->rect());
    // The key a drag is over.
    if (const QRect r = KeyRect(dropSub_, dropKey_); !r.isEmpty()) {
        p.setPen(QPen(palette().highlight().color(), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(1, 1, -1, -1));
    }
}

void KeyboardFrm::mousePressEvent(QMouseEvent* e) {
    const MouseButton b = e->button() == Qt::RightButton  ? MouseButton::Right
                          : e->button() == Qt::LeftButton ? MouseButton::Left
                                                          : MouseButton::Middle;
    QPoint at;
    const std::int32_t sub = SurfaceAt(e->position().toPoint(), at);
    const std::int32_t p = model_.PlayBoardIndex();
    if (sub == 0) {
        model_.BackgroundPressed(b);
        return;
    }
    model_.MousePressed(sub, at.x(), at.y(), b);
    if (b == MouseButton::Right && at.y() < CaptionStripHeight)
        emit CaptionMenuRequested(p, sub, e->globalPosition().toPoint());
}

bool KeyboardFrm::KeyAt(QPoint p, SubBoardNo& subBoard, KeyNo& key) const {
    QPoint at;
    const std::int32_t sub = SurfaceAt(p, at);
    const std::int32_t hit = sub == 0 ? 0 : model_.KeyAt(sub, at.x(), at.y());
    if (hit == 0) return false;
    subBoard = SubBoardNo{sub};
    key = KeyNo{hit};
    return true;
}

void KeyboardFrm::SetDropTarget(SubBoardNo subBoard, KeyNo key) {
    if (subBoard == dropSub_ && key == dropKey_) return;
    RepaintKey(dropSub_, dropKey_);
    dropSub_ = subBoard;
    dropKey_ = key;
    RepaintKey(dropSub_, dropKey_);
}

namespace {
// The local files of a drag; with soundOnly, those a key can take.
QStringList LocalFilesOf(const QMimeData* data, bool soundOnly) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& u : data->urls())
        if (u.isLocalFile() && (!soundOnly || IsSoundFileName(u.toLocalFile().toStdString()))) files << u.toLocalFile();
    return files;
}
QStringList SoundFilesOf(const QMimeData* data) { return LocalFilesOf(data, true); }
} // namespace

void KeyboardFrm::dragEnterEvent(QDragEnterEvent* e) {
    // Anything else (an Orchestra file) goes on to the main window.
    if (SoundFilesOf(e->mimeData()).isEmpty()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
}

void KeyboardFrm::dragMoveEvent(QDragMoveEvent* e) {
    SubBoardNo sub{0};
    KeyNo key{0};
    if (!KeyAt(e->position().toPoint(), sub, key) || SoundFilesOf(e->mimeData()).isEmpty()) {
        SetDropTarget(SubBoardNo{0}, KeyNo{0});
        e->ignore();
        return;
    }
    SetDropTarget(sub, key);
    e->acceptProposedAction();
}

void KeyboardFrm::dragLeaveEvent(QDragLeaveEvent*) { SetDropTarget(SubBoardNo{0}, KeyNo{0}); }

void KeyboardFrm::dropEvent(QDropEvent* e) {
    SubBoardNo sub{0};
    KeyNo key{0};
    const bool onKey = KeyAt(e->position().toPoint(), sub, key);
    SetDropTarget(SubBoardNo{0}, KeyNo{0});
    if (!onKey || SoundFilesOf(e->mimeData()).isEmpty()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    // Every file goes on: the drop names those that are not sound files.
    emit SoundFilesDropped(model_.PlayBoardIndex(), sub.value, key.value, LocalFilesOf(e->mimeData(), false));
}

void KeyboardFrm::mouseMoveEvent(QMouseEvent* e) {
    QPoint at;
    const std::string_view t = SurfaceAt(e->position().toPoint(), at) ? kBoardSurfaceTip : kBoardBackgroundTip;
    emit TipChanged(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
}

} // namespace tambrel
