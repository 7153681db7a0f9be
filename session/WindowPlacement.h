#pragma once
// The main window's stored place ("WindowSizPos" in section "General"): the
// window state, then left, width, top and height in twips, joined by ",".

#include <cstdint>
#include <string>
#include <string_view>

namespace tambrel {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr std::int32_t kWindowNormal = 0;
inline constexpr std::int32_t kWindowMinimised = 1;
inline constexpr std::int32_t kWindowMaximised = 2;

struct WindowPlacement {
    std::int32_t State = kWindowNormal;
    std::int32_t Left = 0, Width = 0, Top = 0, Height = 0; // twips; the normal bounds
    bool operator==(const WindowPlacement&) const = default;
};

// Reads the stored text with every correction against a screen of
// screenWidth x screenHeight twips: off-screen corners go to 0, sizes that
// are too large or below 2000 become 0.8 of the screen, and only a maximised
// state is restored. Missing or junk fields read as 0; nothing throws.
WindowPlacement ReadWindowPlacement(std::string_view text, std::int32_t screenWidth, std::int32_t screenHeight);

std::string WindowPlacementText(const WindowPlacement& p);

} // namespace tambrel
