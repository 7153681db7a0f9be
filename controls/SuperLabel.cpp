#include "controls/SuperLabel.h"

#include <QMouseEvent>
#include <QPainter>

#include "controls/ImageProcessFrm.h"
#include "controls/SkinPaint.h"

namespace tambrel {

SuperLabel::SuperLabel(QWidget* parent, ImageProcessFrm* store)
    : QLabel(parent), store_(store ? store : &ImageProcessFrm::Shared()) {
    setTextFormat(Qt::PlainText);
    connect(store_, &ImageProcessFrm::PicturesReset, this, &SuperLabel::UpdatePicture);
}

void SuperLabel::SetPictureName(const QString& name) {
    picture_.SetName(name);
    UpdatePicture();
}

void SuperLabel::SetAlignment(Qt::Alignment a) {
    align_ = a;
    update();
}
void SuperLabel::SetLblTop(int y) {
    lblTop_ = y;
    update();
}
void SuperLabel::SetForeColor(const QColor& c) {
    fore_ = c;
    update();
}
void SuperLabel::SetMaskColor(const QColor& c) {
    mask_ = c;
    update();
}
void SuperLabel::SetTip(const QString& tip) { ApplyTip(*this, tip); }

void SuperLabel::UpdatePicture() {
    picture_.Fetch(*store_, size());
    update();
}

QSize SuperLabel::sizeHint() const {
    const QSize text = QLabel::sizeHint() + QSize(12, lblTop_);
    const QSize pic = store_->PictureSize(picture_.Name());
    return pic.isValid() ? text.expandedTo(QSize(0, pic.height())) : text;
}

void SuperLabel::resizeEvent(QResizeEvent* e) {
    QLabel::resizeEvent(e);
    UpdatePicture();
}

void SuperLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit Click();
    QLabel::mouseReleaseEvent(e);
}

void SuperLabel::paintEvent(QPaintEvent*) {
    picture_.FetchIfResized(*store_, size());
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    picture_.Paint(p, rect(), *store_, mask_);
    const QColor c = fore_.isValid() ? fore_ : palette().color(QPalette::WindowText);
    // A small inset keeps left- and right-aligned captions off the edge.
    PaintCaption(p, rect().adjusted(6, lblTop_, -6, 0), text(), font(),
                 isEnabled() ? c : QColor(c.red(), c.green(), c.blue(), 128), align_, lblTop_ == 0);
}

} // namespace tambrel
