#pragma once
// The device-list dialog InpDevNmFrm ("Input devices found:"): a message
// above one entry per device. Returns the chosen entry (1-based) after OK,
// 0 when the dialog was closed otherwise.

#include <QWidget>

#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

int ChooseFromDeviceList(QWidget* parent, std::string_view text, const std::vector<std::string>& entries);

} // namespace tambrel
