#pragma once
// A device's name as the hardware gives it is text from outside: the kernel
// passes on whatever the device reports (UTF-8 at best). The program shows
// and stores names as Windows-1252 text, so the server hands it a name made
// plain: control characters removed, blanks run together, cut to a length a
// window and a settings section can hold.

#include <string>
#include <string_view>

namespace tambrel::server {

inline constexpr std::size_t kMaxDeviceNameChars = 64;
// The name of a device that reports none worth showing.
inline constexpr std::string_view kUnnamedDevice = "Input Device";

// UTF-8 (malformed bytes become "?") to plain Windows-1252 text.
std::string DeviceNameFromHardware(std::string_view raw);

} // namespace tambrel::server
