#include "controls/OptionBall.h"

#include <QKeyEvent>
#include <QPainter>

#include "controls/ImageProcessFrm.h"
#include "controls/SkinPaint.h"
#include "controls/SkinRules.h"

namespace tambrel {

OptionBall::OptionBall(QWidget* parent, ImageProcessFrm* store)
    : QAbstractButton(parent), store_(store ? store : &ImageProcessFrm::Shared()) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { emit Click(); });
    connect(store_, &ImageProcessFrm::PicturesReset, this, &OptionBall::UpdatePicture);
}

void OptionBall::SetValue(int value) { Apply(skin::ClampBallValue(value, third_)); }

void OptionBall::SetUseThirdOption(bool on) {
    third_ = on;
    Apply(skin::ClampBallValue(value_, third_));
    UpdatePicture();
}

void OptionBall::SetPictureName(int state, const QString& name) {
    if (state < 0 || state > 2) return;
    pictures_[static_cast<std::size_t>(state)].SetName(name);
    UpdatePicture();
}

QString OptionBall::PictureName(int state) const {
    return state >= 0 && state <= 2 ? pictures_[static_cast<std::size_t>(state)].Name() : QString();
}

QString OptionBall::ShownPictureKey() const {
    Sync();
    return pictures_[static_cast<std::size_t>(value_)].Key();
}

void OptionBall::Sync() const {
    for (int s = 0; s <= (third_ ? 2 : 1); ++s) pictures_[static_cast<std::size_t>(s)].FetchIfResized(*store_, size());
}

void OptionBall::SetMaskColor(const QColor& c) {
    mask_ = c;
    update();
}
void OptionBall::SetTip(const QString& tip) { ApplyTip(*this, tip); }

void OptionBall::Apply(int value) {
    const bool changed = value != value_;
    value_ = value;
    applying_ = true;
    setChecked(value_ != 0);
    applying_ = false;
    update();
    if (changed) emit ValueChanged(value_);
}

void OptionBall::nextCheckState() { Apply(skin::NextBallValue(value_, third_)); }

void OptionBall::checkStateSet() {
    // setChecked from outside (not by the ball itself) reads as a value.
    if (!applying_ && isChecked() != (value_ != 0)) Apply(isChecked() ? 1 : 0);
}

void OptionBall::UpdatePicture() {
    // Only the pictures of states the ball can show are fetched, so a
    // two-state ball needs no third picture.
    for (int s = 0; s <= (third_ ? 2 : 1); ++s) pictures_[static_cast<std::size_t>(s)].Fetch(*store_, size());
    update();
}

QSize OptionBall::sizeHint() const {
    const QSize s = store_->PictureSize(pictures_[0].Name());
    return s.isValid() ? s : QSize(18, 18);
}

void OptionBall::resizeEvent(QResizeEvent* e) {
    QAbstractButton::resizeEvent(e);
    UpdatePicture();
}

void OptionBall::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !e->isAutoRepeat()) {
        click();
        e->accept();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}

void OptionBall::paintEvent(QPaintEvent*) {
    Sync();
    QPainter p(this);
    if (!isEnabled()) p.setOpacity(0.45);
    pictures_[static_cast<std::size_t>(value_)].Paint(p, rect(), *store_, mask_);
    p.setOpacity(1.0);
    if (hasFocus()) PaintFocusRing(p, rect(), palette());
}

} // namespace tambrel
