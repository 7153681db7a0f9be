#include "boards/view/BoardPainter.h"

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

void PaintBoardSurface(QPainter& p, const BoardSurface& s, const QBrush& background, qreal dpr) {
    p.save();
    p.translate(s.Left, s.Top);
    p.setClipRect(0, 0, s.Width, s.Height);
    p.fillRect(0, 0, s.Width, s.Height, background);

    for (const KeyFace& f : s.Picture.Faces) {
        const QRect r = Inclusive(f.Left, f.Top, f.Right, f.Bottom);
        if (r.width() <= 0 || r.height() <= 0) continue;
        p.fillRect(r, Of(f.Fill));
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

    for (const BoardKey& k : s.Keys) {
        if (!k.HasSource && k.Icon != CurrentKeyIcon) continue;
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
