#pragma once
// A flat button that looks like a web link: reachable with Tab, pressed with
// Space, read out as a button with the link's text.

class QPushButton;
class QWidget;

namespace tambrel {

QPushButton* MakeLinkButton(QWidget* parent);

} // namespace tambrel
