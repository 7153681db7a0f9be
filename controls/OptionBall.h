#pragma once
// A ball-shaped switch of two or three states, drawn from Picture0Name,
// Picture1Name and Picture2Name. A click (mouse, Space or Enter) moves the
// value 0 -> 1 -> 0, or 0 -> 1 -> 2 -> 0 with the third state; the program
// may also set the value directly. To accessibility it is a check box,
// checked in every state but 0.

#include <QAbstractButton>
#include <QColor>

#include <array>

#include "controls/PictureSlot.h"

namespace tambrel {

class ImageProcessFrm;

class OptionBall : public QAbstractButton {
    Q_OBJECT
public:
    explicit OptionBall(QWidget* parent = nullptr, ImageProcessFrm* store = nullptr);

    int Value() const { return value_; }
    // Sets the value (brought into the ball's states) without a click event.
    void SetValue(int value);
    void SetUseThirdOption(bool on);
    bool UseThirdOption() const { return third_; }
    // state 0..2.
    void SetPictureName(int state, const QString& name);
    QString PictureName(int state) const;
    QString ShownPictureKey() const;
    void SetMaskColor(const QColor& c);
    void SetTip(const QString& tip);

    void UpdatePicture();
    QSize sizeHint() const override;

signals:
    // The value changed, by a click or by SetValue.
    void ValueChanged(int value);
    // A click changed the value (sent after ValueChanged).
    void Click();

protected:
    void nextCheckState() override;
    void checkStateSet() override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void Apply(int value);

    void Sync() const;

    ImageProcessFrm* store_;
    mutable std::array<PictureSlot, 3> pictures_{PictureSlot(QStringLiteral("Ball_Gray")),
                                                 PictureSlot(QStringLiteral("Ball_Green")),
                                                 PictureSlot(QStringLiteral("Ball_Yellow"))};
    QColor mask_;
    int value_ = 0;
    bool third_ = false;
    bool applying_ = false;
};

} // namespace tambrel
