#pragma once
// A caption over a picture: PictureName fills the label, the caption is
// drawn over it at LblTop with its alignment, colour and font. The caption is
// always plain text, and it is the label's accessible text.

#include <QColor>
#include <QLabel>

#include "controls/PictureSlot.h"

namespace tambrel {

class ImageProcessFrm;

class SuperLabel : public QLabel {
    Q_OBJECT
public:
    explicit SuperLabel(QWidget* parent = nullptr, ImageProcessFrm* store = nullptr);

    void SetCaption(const QString& caption) { setText(caption); }
    QString Caption() const { return text(); }
    void SetPictureName(const QString& name);
    QString PictureName() const { return picture_.Name(); }
    QString ShownPictureKey() const {
        picture_.FetchIfResized(*store_, size());
        return picture_.Key();
    }
    // Horizontal alignment of the caption.
    void SetAlignment(Qt::Alignment a);
    void SetLblTop(int y);
    // Invalid: the palette's window-text colour.
    void SetForeColor(const QColor& c);
    void SetMaskColor(const QColor& c);
    void SetTip(const QString& tip);

    void UpdatePicture();
    QSize sizeHint() const override;

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    ImageProcessFrm* store_;
    mutable PictureSlot picture_{QStringLiteral("Heading")};
    QColor fore_, mask_;
    Qt::Alignment align_ = Qt::AlignLeft;
    int lblTop_ = 0;
};

} // namespace tambrel
