#include "controls/SkinButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "common/TimerHost.h"
#include "controls/ImageProcessFrm.h"
#include "controls/SkinPaint.h"
#include "controls/SkinRules.h"

namespace tambrel {

SkinButton::SkinButton(QWidget* parent, ImageProcessFrm* store)
    : QAbstractButton(parent), store_(store ? store : &ImageProcessFrm::Shared()) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::pressed, this, &SkinButton::OnPressed);
    connect(this, &QAbstractButton::released, this, &SkinButton::OnReleased);
    connect(store_, &ImageProcessFrm::PicturesReset, this, &SkinButton::UpdatePicture);
}

SkinButton::~SkinButton() { ReleaseHost(); }

void SkinButton::SetPictureName(const QString& name) {
    up_.SetName(name);
    UpdatePicture();
}

void SkinButton::SetPictureDownName(const QString& name) {
    down_.SetName(name);
    UpdatePicture();
}

QString SkinButton::ShownPictureKey() const {
    Sync();
    return isDown() ? down_.Key() : up_.Key();
}

void SkinButton::Sync() const {
    up_.FetchIfResized(*store_, size());
    down_.FetchIfResized(*store_, size());
}

void SkinButton::SetMaskColor(const QColor& c) {
    mask_ = c;
    update();
}
void SkinButton::SetBackColor(const QColor& c) {
    back_ = c;
    update();
}
void SkinButton::SetBackStyle(int style) {
    backStyle_ = style;
    update();
}
void SkinButton::SetForeColor(const QColor& c) {
    fore_ = c;
    update();
}
void SkinButton::SetLblTop(int y) {
    lblTop_ = y;
    update();
}

void SkinButton::SetCaption(const QString& caption) {
    setText(caption);
    update();
}

void SkinButton::SetRepeatDelays(int firstMs, int nextMs) {
    firstDelay_ = firstMs;
    nextDelay_ = nextMs;
}

void SkinButton::SetTip(const QString& tip) { ApplyTip(*this, tip); }

void SkinButton::SetTimerHost(TimerHost* host) {
    StopRepeat();
    ReleaseHost();
    host_ = host;
}

void SkinButton::ReleaseHost() {
    if (host_ && hostTimer_) host_->Destroy(hostTimer_);
    hostTimer_ = 0;
}

void SkinButton::UpdatePicture() {
    up_.Fetch(*store_, size());
    down_.Fetch(*store_, size());
    updateGeometry();
    update();
}

QSize SkinButton::sizeHint() const {
    const QSize s = store_->PictureSize(QString::fromStdString(skin::NormalisePictureName(up_.Name().toStdString())));
    return s.isValid() ? s : QSize(80, 24);
}

void SkinButton::resizeEvent(QResizeEvent* e) {
    QAbstractButton::resizeEvent(e);
    UpdatePicture();
}

void SkinButton::changeEvent(QEvent* e) {
    // A button disabled while held must not keep repeating.
    if (e->type() == QEvent::EnabledChange && !isEnabled()) StopRepeat();
    QAbstractButton::changeEvent(e);
}

void SkinButton::paintEvent(QPaintEvent*) {
    Sync();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (backStyle_ == 1 && back_.isValid()) p.fillRect(rect(), back_);
    if (!isEnabled()) p.setOpacity(0.45);
    (isDown() ? down_ : up_).Paint(p, rect(), *store_, mask_);
    p.setOpacity(1.0);
    if (!text().isEmpty()) {
        // Disabled captions are the normal colour faded, so they stay legible
        // on light and mid-grey faces alike.
        QColor c = fore_.isValid() ? fore_ : palette().color(QPalette::Active, QPalette::ButtonText);
        if (!isEnabled()) c.setAlphaF(0.45);
        // Held buttons sink by a pixel, as their pictures do.
        const int sink = isDown() ? 1 : 0;
        PaintCaption(p, rect().adjusted(sink, lblTop_ + sink, sink, sink), text(), font(), c,
                     Qt::AlignHCenter | Qt::AlignTop, lblTop_ == 0);
    }
    if (hasFocus()) PaintFocusRing(p, rect(), palette());
}

void SkinButton::OnPressed() {
    if (const auto first = skin::RepeatIntervalOnPress({firstDelay_, nextDelay_})) ArmRepeat(*first);
}

void SkinButton::OnReleased() { StopRepeat(); }

void SkinButton::OnRepeatTick() {
    if (!repeating_) return;
    if (const auto next = skin::RepeatIntervalAfterTick({firstDelay_, nextDelay_})) ArmRepeat(*next);
    else StopRepeat();
    emit Repeat();
}

void SkinButton::ArmRepeat(int intervalMs) {
    repeating_ = true;
    if (host_) {
        if (!hostTimer_) hostTimer_ = host_->Create([this] { OnRepeatTick(); });
        host_->Start(hostTimer_, intervalMs);
        return;
    }
    if (!ownTimer_) {
        ownTimer_ = new QTimer(this);
        ownTimer_->setTimerType(Qt::PreciseTimer);
        connect(ownTimer_, &QTimer::timeout, this, &SkinButton::OnRepeatTick);
    }
    ownTimer_->start(intervalMs);
}

void SkinButton::StopRepeat() {
    repeating_ = false;
    if (host_ && hostTimer_) host_->Stop(hostTimer_);
    if (ownTimer_) ownTimer_->stop();
}

void SkinButton::mousePressEvent(QMouseEvent* e) {
    QAbstractButton::mousePressEvent(e);
    emit MouseDown(e->button(), e->modifiers(), e->position().toPoint());
}

void SkinButton::mouseMoveEvent(QMouseEvent* e) {
    emit MouseMove(e->buttons(), e->modifiers(), e->position().toPoint());
    QAbstractButton::mouseMoveEvent(e);
}

void SkinButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) StopRepeat();
    emit MouseUp(e->button(), e->modifiers(), e->position().toPoint());
    QAbstractButton::mouseReleaseEvent(e);
}

void SkinButton::mouseDoubleClickEvent(QMouseEvent* e) {
    // The second press of a double click presses the button as the first did.
    mousePressEvent(e);
    if (e->button() == Qt::LeftButton) emit DblClick();
}

void SkinButton::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!e->isAutoRepeat()) click();
        e->accept();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}

} // namespace tambrel
