#pragma once
// A push button drawn from two pictures of the image store: PictureName
// normally, PictureDownName while held. With a first delay above 0 it
// repeats while held: first after the first delay, then every next delay.
// The caption is drawn over the picture at LblTop.
//
// Keyboard: it takes the focus by Tab; Space and Enter press it (held Space
// repeats like a held mouse button). Its tip is tooltip, status tip and
// accessible description; its caption (or the accessible name given) names it.

#include <QAbstractButton>
#include <QColor>

#include <memory>

#include "controls/PictureSlot.h"

class QTimer;

namespace tambrel {

class ImageProcessFrm;
class TimerHost;

class SkinButton : public QAbstractButton {
    Q_OBJECT
public:
    // store nullptr: the shared store.
    explicit SkinButton(QWidget* parent = nullptr, ImageProcessFrm* store = nullptr);
    ~SkinButton() override;

    void SetPictureName(const QString& name);
    void SetPictureDownName(const QString& name);
    QString PictureName() const { return up_.Name(); }
    QString PictureDownName() const { return down_.Name(); }
    // The store key painted now (the down picture's while held).
    QString ShownPictureKey() const;

    // Pixels of exactly this colour are not drawn; invalid: none.
    void SetMaskColor(const QColor& c);
    // Filled behind the picture when BackStyle is opaque (1); 0 transparent.
    void SetBackColor(const QColor& c);
    void SetBackStyle(int style);
    // The caption's colour; invalid: the palette's button-text colour.
    void SetForeColor(const QColor& c);
    void SetCaption(const QString& caption);
    QString Caption() const { return text(); }
    void SetLblTop(int y);
    int LblTop() const { return lblTop_; }
    // Auto-repeat delays in milliseconds (AMDn_1st_Delay, AMDn_next_Delay); 0: none.
    void SetRepeatDelays(int firstMs, int nextMs);
    int FirstDelay() const { return firstDelay_; }
    int NextDelay() const { return nextDelay_; }
    // The tip: tooltip, status-bar tip and accessible description at once.
    void SetTip(const QString& tip);

    // The timers the repeat runs on (the program's, or a test clock);
    // nullptr: a timer of the button's own. Must outlive the button.
    void SetTimerHost(TimerHost* host);

    // Fetches the pictures again from the store at the current size and repaints.
    void UpdatePicture();

    QSize sizeHint() const override;

signals:
    void DblClick();
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint pos);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
    // Sent at every auto-repeat tick while held.
    void Repeat();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void OnPressed();
    void OnReleased();
    void OnRepeatTick();
    void ArmRepeat(int intervalMs);
    void StopRepeat();
    void ReleaseHost();

    void Sync() const;

    ImageProcessFrm* store_;
    mutable PictureSlot up_{QStringLiteral("Button_Up")};
    mutable PictureSlot down_{QStringLiteral("Button_Dn")};
    QColor mask_, back_, fore_;
    int backStyle_ = 0;
    int lblTop_ = 0;
    int firstDelay_ = 0;
    int nextDelay_ = 0;
    bool repeating_ = false;
    TimerHost* host_ = nullptr;
    int hostTimer_ = 0;
    QTimer* ownTimer_ = nullptr;
};

} // namespace tambrel
