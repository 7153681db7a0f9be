#pragma once
// The main window's stored place ("WindowSizPos" in section "General"): the
// window state, then left, width, top and height in twips, joined by ",".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The Window menu's arrangement codes (item numbers of its menu array).
enum class Arrangement { Cascade = 0, TileHorizontal = 1, TileVertical = 2, ArrangeIcons = 3 };

struct TileRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TileRect&) const = default;
};

// Where count windows go in an area of width x height pixels. "Tile
// Horizontal" lays them one above another, each the area's full width;
// "Tile Vertical" side by side, each the full height (the two tilings of MDI
// programs). The windows share the area exactly, their sizes differing by at
// most a pixel; an area too small for them gives each at least one pixel.
// Other arrangements give nothing.
std::vector<TileRect> TileWindows(Arrangement how, int count, int width, int height);

} // namespace tambrel
