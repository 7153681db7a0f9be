#pragma once
// Drawing and labelling shared by the skinned controls.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>

class QPainter;
class QWidget;

namespace tambrel {

// Makes `tip` the widget's tooltip, status-bar tip and accessible description.
void ApplyTip(QWidget& w, const QString& tip);

// Draws plain text (never rich text) inside rect with the given alignment.
// centred: also centre it vertically (a caption with no offset of its own).
void PaintCaption(QPainter& p, const QRect& rect, const QString& text, const QFont& font, const QColor& color,
                  Qt::Alignment align, bool centred);

// The keyboard focus mark: a rounded ring just inside rect.
void PaintFocusRing(QPainter& p, const QRect& rect, const QPalette& palette);

} // namespace tambrel
