#include "session/WindowPlacement.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/NumberText.h"
#include "common/SplitText.h"

namespace tambrel {

namespace {

// Rounded half to even; values no int32 can hold come out as the nearest
// bound, so a hand-edited "1e12" is simply out of range.
std::int32_t Whole(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return RoundHalfEven(v);
}

} // namespace

WindowPlacement ReadWindowPlacement(std::string_view text, std::int32_t screenWidth, std::int32_t screenHeight) {
    std::vector<double> f;
    for (const std::string_view piece : SplitText(text, ',')) f.push_back(ParseLenient(piece));
    while (f.size() < 5) f.push_back(0);

    const double w = screenWidth, h = screenHeight;
    WindowPlacement p;
    p.State = Whole(f[0]);
    p.Left = Whole(f[1]);
    p.Width = Whole(f[2]);
    p.Top = Whole(f[3]);
    p.Height = Whole(f[4]);
    if (p.Left < 0 || p.Left > 0.95 * w) p.Left = 0;
    if (p.Width > w || p.Width < 2000) p.Width = Whole(0.8 * w);
    if (p.Top < 0 || p.Top > 0.95 * h) p.Top = 0;
    if (p.Height > h || p.Height < 2000) p.Height = Whole(0.8 * h);
    if (p.State != kWindowMaximised) p.State = kWindowNormal;
    return p;
}

std::string WindowPlacementText(const WindowPlacement& p) {
    return IntText(p.State) + "," + IntText(p.Left) + "," + IntText(p.Width) + "," + IntText(p.Top) + "," +
           IntText(p.Height);
}

} // namespace tambrel

namespace tambrel {

std::vector<TileRect> TileWindows(Arrangement how, int count, int width, int height) {
    std::vector<TileRect> out;
    if (count <= 0 || (how != Arrangement::TileHorizontal && how != Arrangement::TileVertical)) return out;
    const bool stacked = how == Arrangement::TileHorizontal;
    const int length = std::max(stacked ? height : width, 0);
    const int across = std::max(stacked ? width : height, 1);
    int at = 0;
    for (int i = 0; i < count; ++i) {
        // The first (length % count) windows take the pixel left over.
        const int size = std::max(length / count + (i < length % count ? 1 : 0), 1);
        out.push_back(stacked ? TileRect{0, at, across, size} : TileRect{at, 0, size, across});
        at += size;
    }
    return out;
}

} // namespace tambrel
