#pragma once
// One named picture of a control: the name the control was given and the
// store key of its copy at the control's size. When fetching fails the slot
// keeps the picture it had, so a bad name never blanks a control.

#include <QColor>
#include <QRect>
#include <QString>

class QPainter;

namespace tambrel {

class ImageProcessFrm;

class PictureSlot {
public:
    explicit PictureSlot(QString name = QStringLiteral("None")) : name_(std::move(name)) {}

    const QString& Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }
    // The store key in use; empty until a fetch succeeded.
    const QString& Key() const { return key_; }

    // Fetches the copy at `size` from the store; false (key unchanged) on failure.
    bool Fetch(ImageProcessFrm& store, QSize size);
    // Fetches again only when the size differs from the last fetch (a hidden
    // widget is resized without a resize event).
    void FetchIfResized(ImageProcessFrm& store, QSize size) {
        if (size != fetchedFor_) Fetch(store, size);
    }
    // Paints the picture over `rect` at the painter's device pixel ratio.
    void Paint(QPainter& p, const QRect& rect, const ImageProcessFrm& store, const QColor& mask) const;

private:
    QString name_;
    QString key_;
    QSize fetchedFor_;
};

} // namespace tambrel
