#pragma once
// One control's tip, given once: tooltip, status-bar tip and the accessible
// description, so screen readers and test tools read what the mouse shows.

class QString;
class QWidget;

namespace tambrel {

void SetControlTip(QWidget* w, const QString& tip);
// The accessible name too.
void DescribeControl(QWidget* w, const QString& name, const QString& tip);

} // namespace tambrel
