#include "controls/LinkButton.h"

#include <QPushButton>

namespace tambrel {

QPushButton* MakeLinkButton(QWidget* parent) {
    auto* b = new QPushButton(parent);
    b->setFlat(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setAutoDefault(false);
    b->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-decoration: underline; border: none; "
                                    "padding: 0px; text-align: left; }"
                                    "QPushButton:focus { border: 1px dotted palette(link); }"));
    b->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    return b;
}

} // namespace tambrel
