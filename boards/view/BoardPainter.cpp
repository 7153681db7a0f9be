#include "boards/view/BoardPainter.h"

#include <QFontMetrics>
#include <QLinearGradient>

#include "boards/view/KeyIconPainter.h"
#include "common/CodePage.h"

namespace tambrel {

namespace {

QColor Of(const Rgb& c) { return QColor(c.R, c.G, c.B); }
QString Text(const std::string& s) { return QString::fromStdString(Cp1252ToUtf8(s)); }
// Inclusive pixel rectangles, as the layout stores them.
QRect Inclusive(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
    return QRect(QPoint(l, t), QPoint(r, b));
}

} // namespace

// The face's colour moved towards the lit colour by level / 255.
QColor Lit(const Rgb& fill, std::uint8_t level) {
    auto mix = [level](int from, int to) { return from + (to - from) * level / 255; };
    return QColor(mix(fill.R, LitKeyColour.R), mix(fill.G, LitKeyColour.G), mix(fill.B, LitKeyColour.B));
}

void PaintBoardSurface(QPainter& p, const BoardSurface& s, const QBrush& background, qreal dpr,
                       std::span<const std::uint8_t> light, const QRect& exposed) {
    p.save();
    p.translate(s.Left, s.Top);
    p.setClipRect(0, 0, s.Width, s.Height);
    // What is to be painted, in surface pixels: the whole surface unless told.
    const QRect dirty = exposed.isNull() ? QRect(0, 0, s.Width, s.Height) : exposed.translated(-s.Left, -s.Top);
    p.fillRect(dirty.intersected(QRect(0, 0, s.Width, s.Height)), background);
    auto levelOf = [&light](std::int32_t key) -> std::uint8_t {
        return key >= 1 && static_cast<std::size_t>(key) <= light.size() ? light[static_cast<std::size_t>(key - 1)]
                                                                         : std::uint8_t{0};
    };
    const QFont big = p.font();

    for (const KeyFace& f : s.Picture.Faces) {
        const QRect r = Inclusive(f.Left, f.Top, f.Right, f.Bottom);
        if (r.width() <= 0 || r.height() <= 0 || !r.intersects(dirty)) continue;
        p.fillRect(r, Lit(f.Fill, levelOf(f.Key)));
        p.setPen(Of(RaisedLightEdge));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(Of(RaisedDarkEdge));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        p.setPen(Of(s.Picture.TextColour));
        p.drawText(QRect(f.LabelX, f.LabelY, std::max(r.right() - f.LabelX, 0), std::max(r.bottom() - f.LabelY, 0)),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, Text(f.Label));
    }

    // What each key plays, under its label in smaller type, cut with an
    // ellipsis where the face is too narrow.
    QFont small = p.font();
    small.setPixelSize(KeySoundTextPixels);
    p.setFont(small);
    const QFontMetrics metrics(small);
    p.setPen(Of(s.Picture.TextColour));
    for (const BoardKey& k : s.Keys) {
        if (k.Sound.empty() || k.SoundWidth <= 0 || !Inclusive(k.Left, k.Top, k.Right, k.Bottom).intersects(dirty))
            continue;
        const QRect box(k.SoundX, k.SoundY, k.SoundWidth, KeySoundLine);
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   metrics.elidedText(Text(k.Sound), Qt::ElideRight, k.SoundWidth));
    }
    p.setFont(big);

    for (const BoardKey& k : s.Keys) {
        if (!k.HasSource && k.Icon != CurrentKeyIcon) continue;
        if (!Inclusive(k.Left, k.Top, k.Right, k.Bottom).intersects(dirty)) continue;
        p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        p.drawImage(QPoint(k.IconX, k.IconY), KeyIconImage(k.Icon, dpr));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (k.Muted) {
            p.setPen(QPen(Of(MuteCrossColour), 1));
            for (const Line& l : k.Cross) p.drawLine(l.X1, l.Y1, l.X2, l.Y2);
        }
    }

    // The caption strip over the top of the board.
    QLinearGradient strip(0, 0, 0, CaptionStripHeight);
    strip.setColorAt(0, QColor(214, 222, 240));
    strip.setColorAt(1, QColor(170, 184, 214));
    p.fillRect(0, 0, s.Width, CaptionStripHeight - 1, strip);
    p.setPen(Of(CaptionTextColour));
    p.drawText(QRect(CaptionTextX, 0, s.Width - CaptionTextX, CaptionStripHeight - 1), Qt::AlignLeft | Qt::AlignVCenter,
               Text(s.Caption));
    p.restore();
}

} // namespace tambrel
