#include "controls/SkinPaint.h"

#include <QPainter>
#include <QTextDocument>
#include <QWidget>

namespace tambrel {

void ApplyTip(QWidget& w, const QString& tip) {
    // Tips may carry file names: one that looks like markup is escaped and
    // wrapped, so the tooltip shows exactly the characters given.
    if (Qt::mightBeRichText(tip))
        w.setToolTip(QStringLiteral("<p style='white-space:pre'>") + tip.toHtmlEscaped() + QStringLiteral("</p>"));
    else w.setToolTip(tip);
    w.setStatusTip(tip);
    w.setAccessibleDescription(tip);
}

void PaintCaption(QPainter& p, const QRect& rect, const QString& text, const QFont& font, const QColor& color,
                  Qt::Alignment align, bool centred) {
    p.save();
    p.setFont(font);
    p.setPen(color);
    Qt::Alignment a = align & Qt::AlignHorizontal_Mask;
    a |= centred ? Qt::AlignVCenter : Qt::AlignTop;
    p.drawText(rect, static_cast<int>(a) | Qt::TextSingleLine, text);
    p.restore();
}

void PaintFocusRing(QPainter& p, const QRect& rect, const QPalette& palette) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QColor c = palette.color(QPalette::Highlight);
    c.setAlpha(220);
    p.setPen(QPen(c, 1.5, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect).adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
    p.restore();
}

} // namespace tambrel
