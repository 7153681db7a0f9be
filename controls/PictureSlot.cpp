#include "controls/PictureSlot.h"

#include <QPainter>
#include <QPaintDevice>

#include "controls/ImageProcessFrm.h"

namespace tambrel {

bool PictureSlot::Fetch(ImageProcessFrm& store, QSize size) {
    fetchedFor_ = size;
    if (size.isEmpty()) return false;
    const QString key = store.Get_PicturName(name_, size.width(), size.height());
    if (key.isEmpty()) return false;
    key_ = key;
    return true;
}

void PictureSlot::Paint(QPainter& p, const QRect& rect, const ImageProcessFrm& store, const QColor& mask) const {
    if (key_.isEmpty()) return;
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QPixmap pm = store.Pixmap(key_, dpr, mask);
    if (pm.isNull()) return;
    p.drawPixmap(rect, pm);
}

} // namespace tambrel
