#include "controls/ControlTips.h"

#include <QWidget>

namespace tambrel {

void SetControlTip(QWidget* w, const QString& tip) {
    w->setToolTip(tip);
    w->setStatusTip(tip);
    w->setAccessibleDescription(tip);
}

void DescribeControl(QWidget* w, const QString& name, const QString& tip) {
    w->setAccessibleName(name);
    SetControlTip(w, tip);
}

} // namespace tambrel
