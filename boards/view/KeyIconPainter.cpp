#include "boards/view/KeyIconPainter.h"

#include <QPainter>
#include <QPainterPath>

#include "boards/BoardViewPicture.h"

namespace tambrel {

namespace {

QColor Of(const Rgb& c) { return QColor(c.R, c.G, c.B); }

void Triangle(QPainter& p, qreal x, qreal y, qreal w, qreal h) {
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + w, y + h / 2);
    path.lineTo(x, y + h);
    path.closeSubpath();
    p.drawPath(path);
}

void LoopArrow(QPainter& p, const QColor& c) {
    p.setPen(QPen(c, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 280 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    QPainterPath head;
    head.moveTo(10.5, 1.5);
    head.lineTo(14.5, 4.5);
    head.lineTo(10.0, 6.5);
    head.closeSubpath();
    p.drawPath(head);
}

} // namespace

QImage KeyIconImage(int icon, qreal dpr) {
    const int side = static_cast<int>(16 * dpr + 0.5);
    QImage img(side, side, QImage::Format_RGB32);
    img.setDevicePixelRatio(dpr);
    if (icon == PlainKeyIcon || icon == CurrentKeyIcon) {
        img.fill(Of(icon == CurrentKeyIcon ? CurrentKeyColour : KeyColour));
        return img;
    }
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QColor dark(0, 60, 0), blue(0, 0, 140), red(140, 0, 0), olive(120, 110, 0), violet(90, 0, 110);
    switch (icon) {
    case 1: // once: one play mark
        p.setBrush(dark);
        Triangle(p, 4, 3, 9, 10);
        break;
    case 2: // multiple: two
        p.setBrush(dark);
        Triangle(p, 1.5, 3, 7, 10);
        Triangle(p, 7.5, 3, 7, 10);
        break;
    case 3: LoopArrow(p, blue); break; // loop, waiting
    case 4: LoopArrow(p, red); break;  // loop, sounding
    case 5:                            // queue: entries waiting in line
        p.setBrush(olive);
        for (int i = 0; i < 3; ++i) p.drawRoundedRect(QRectF(2, 2.5 + i * 4, 12, 2.8), 1, 1);
        break;
    case 6: { // MIDI: a note
        p.setBrush(violet);
        p.drawEllipse(QRectF(2.5, 9.5, 6, 4.5));
        p.setPen(QPen(violet, 1.6));
        p.drawLine(QPointF(8, 11.5), QPointF(8, 2));
        p.drawLine(QPointF(8, 2.5), QPointF(12.5, 5));
        break;
    }
    case 7: { // action: a bolt
        p.setBrush(red);
        QPainterPath bolt;
        bolt.moveTo(9.5, 1);
        bolt.lineTo(3.5, 9);
        bolt.lineTo(7.5, 9);
        bolt.lineTo(6, 15);
        bolt.lineTo(12.5, 6.5);
        bolt.lineTo(8.5, 6.5);
        bolt.closeSubpath();
        p.drawPath(bolt);
        break;
    }
    default: break;
    }
    p.end();
    // White becomes the key's grey: the icon's blank pixels leave the face
    // as it is when combined by AND.
    const QRgb white = qRgb(255, 255, 255), grey = qRgb(KeyColour.R, KeyColour.G, KeyColour.B);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((line[x] & 0xFFFFFF) == (white & 0xFFFFFF)) line[x] = grey;
    }
    return img;
}

} // namespace tambrel
