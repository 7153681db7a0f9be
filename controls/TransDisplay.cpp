#include "controls/TransDisplay.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include "controls/ImageProcessFrm.h"
#include "controls/SkinPaint.h"

namespace tambrel {

namespace {

// To assistive tools the display is an editable text whose value is the
// shown text, whichever mode it is in.
class TransDisplayAccessible : public QAccessibleWidget {
public:
    explicit TransDisplayAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return static_cast<TransDisplay*>(widget())->Text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* MakeAccessible(const QString& key, QObject* object) {
    if (key == QLatin1String("tambrel::TransDisplay") && object && object->isWidgetType())
        return new TransDisplayAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

TransDisplay::TransDisplay(QWidget* parent, ImageProcessFrm* store)
    : QWidget(parent), store_(store ? store : &ImageProcessFrm::Shared()), edit_(new QLineEdit(this)) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(MakeAccessible);
        return true;
    }();
    (void)factoryInstalled;
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    edit_->setFrame(false);
    edit_->hide();
    edit_->installEventFilter(this);
    fontLbl_ = font();
    fontTxt_ = font();
    StyleField();
    connect(store_, &ImageProcessFrm::PicturesReset, this, &TransDisplay::UpdatePicture);
}

void TransDisplay::SetText(const QString& text) {
    text_ = text;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent ev(this, text_);
        QAccessible::updateAccessibility(&ev);
    }
}

bool TransDisplay::IsEditing() const { return edit_->isVisible(); }

void TransDisplay::BeginEdit() {
    if (!isEnabled() || IsEditing()) return;
    edit_->setText(text_);
    edit_->setAccessibleName(accessibleName());
    edit_->setGeometry(rect().adjusted(2, 2, -2, -2));
    edit_->show();
    edit_->setFocus(Qt::MouseFocusReason);
    edit_->selectAll();
    update();
}

void TransDisplay::AcceptEdit() {
    if (!IsEditing()) return;
    text_ = edit_->text();
    EndEdit();
    emit EditAccepted(text_);
}

void TransDisplay::CancelEdit() {
    if (!IsEditing()) return;
    EndEdit();
    emit EditCanceled();
}

void TransDisplay::EndEdit() {
    // Hiding the field moves the focus, which must not accept a second time.
    ending_ = true;
    const bool hadFocus = edit_->hasFocus();
    edit_->hide();
    if (hadFocus) setFocus(Qt::OtherFocusReason);
    ending_ = false;
    update();
}

void TransDisplay::SetMaxLength(int n) { edit_->setMaxLength(n > 0 ? n : 32767); }
void TransDisplay::SetAlignment(Qt::Alignment a) {
    align_ = a;
    edit_->setAlignment((a & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    update();
}
void TransDisplay::SetLblTop(int y) {
    lblTop_ = y;
    update();
}
void TransDisplay::SetLabelFont(const QFont& f) {
    fontLbl_ = f;
    updateGeometry();
    update();
}
void TransDisplay::SetEditFont(const QFont& f) {
    fontTxt_ = f;
    StyleField();
}
void TransDisplay::SetLabelColor(const QColor& c) {
    foreLbl_ = c;
    update();
}
void TransDisplay::SetEditColor(const QColor& c) {
    foreTxt_ = c;
    StyleField();
}
void TransDisplay::SetBackColor(const QColor& c) {
    back_ = c;
    update();
}
void TransDisplay::SetBackStyle(int style) {
    backStyle_ = style;
    update();
}
void TransDisplay::SetBorderStyle(int style) {
    borderStyle_ = style;
    update();
}
void TransDisplay::SetMaskColor(const QColor& c) {
    mask_ = c;
    update();
}

void TransDisplay::SetTip(const QString& tip) {
    ApplyTip(*this, tip);
    ApplyTip(*edit_, tip);
}

void TransDisplay::SetPictureName(const QString& name) {
    picture_.SetName(name);
    UpdatePicture();
}

void TransDisplay::StyleField() {
    edit_->setFont(fontTxt_);
    QPalette pal = edit_->palette();
    pal.setColor(QPalette::Text, foreTxt_.isValid() ? foreTxt_ : palette().color(QPalette::Text));
    edit_->setPalette(pal);
    edit_->setAccessibleName(accessibleName());
}

void TransDisplay::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange && !isEnabled()) CancelEdit();
    QWidget::changeEvent(e);
}

void TransDisplay::UpdatePicture() {
    picture_.Fetch(*store_, size());
    update();
}

QSize TransDisplay::sizeHint() const {
    const QFontMetrics fm(fontLbl_);
    return {std::max(60, fm.horizontalAdvance(text_) + 16), fm.height() + 10 + lblTop_};
}

void TransDisplay::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    edit_->setGeometry(rect().adjusted(2, 2, -2, -2));
    UpdatePicture();
}

void TransDisplay::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) BeginEdit();
    QWidget::mousePressEvent(e);
}

void TransDisplay::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_F2:
        if (!e->isAutoRepeat()) BeginEdit();
        e->accept();
        return;
    default: QWidget::keyPressEvent(e);
    }
}

bool TransDisplay::eventFilter(QObject* watched, QEvent* e) {
    if (watched != edit_) return QWidget::eventFilter(watched, e);
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            AcceptEdit();
            return true;
        }
        if (k->key() == Qt::Key_Escape) {
            CancelEdit();
            return true;
        }
        emit KeyDown(k->key(), k->modifiers(), k->text());
    } else if (e->type() == QEvent::FocusOut && !ending_ && IsEditing()) {
        // Focus lost because the display was disabled drops the typing;
        // any other way of leaving keeps it.
        if (isEnabled()) AcceptEdit();
        else CancelEdit();
    }
    return QWidget::eventFilter(watched, e);
}

void TransDisplay::paintEvent(QPaintEvent*) {
    picture_.FetchIfResized(*store_, size());
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (backStyle_ == 1 && back_.isValid()) p.fillRect(rect(), back_);
    picture_.Paint(p, rect(), *store_, mask_);
    if (borderStyle_ == 1) {
        p.setPen(QPen(palette().color(QPalette::Mid), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (IsEditing()) {
        // The field sits on a light well so that editing is plain to see.
        p.setPen(Qt::NoPen);
        p.setBrush(palette().color(QPalette::Base));
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
        return;
    }
    QColor c = foreLbl_.isValid() ? foreLbl_ : palette().color(QPalette::WindowText);
    if (!isEnabled()) c.setAlphaF(0.5);
    PaintCaption(p, rect().adjusted(6, lblTop_, -6, 0), text_, fontLbl_, c, align_, lblTop_ == 0);
    if (hasFocus()) PaintFocusRing(p, rect(), palette());
}

} // namespace tambrel
