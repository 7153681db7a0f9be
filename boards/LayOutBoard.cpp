#include "boards/LayOutBoard.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace tambrel {

namespace {

// Rows used by keys and the rows array always agree in length, so no later
// step reads past it, even for a half-read or hand-edited layout.
void EnsureRows(DeviceLayout& layout, std::int32_t count) {
    if (count < 0) count = 0;
    if (layout.RowCount < count) layout.RowCount = count;
    if (layout.RowCount < 0) layout.RowCount = 0;
    layout.Rows.resize(static_cast<std::size_t>(layout.RowCount), LayoutRow{20, 0});
}

void Normalise(DeviceLayout& layout) {
    std::set<std::pair<std::int32_t, std::int32_t>> taken;
    std::vector<std::size_t> unplaced;
    std::int32_t highest = 0;
    for (std::size_t i = 0; i < layout.Keys.size(); ++i) {
        LayoutKey& k = layout.Keys[i];
        if (k.Row <= 0 || k.Position <= 0 || !taken.insert({k.Row, k.Position}).second) {
            unplaced.push_back(i);
            continue;
        }
        highest = std::max(highest, k.Row);
    }
    EnsureRows(layout, highest);
    if (unplaced.empty()) return;
    const std::int32_t row = highest + 1;
    // A row that already exists keeps its height; only a new one gets 20.
    EnsureRows(layout, row);
    std::int32_t pos = 0;
    for (std::size_t i : unplaced) {
        layout.Keys[i].Row = row;
        layout.Keys[i].Position = ++pos;
    }
}

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

std::vector<std::int32_t> RowTops(const DeviceLayout& layout) {
    std::vector<std::int32_t> tops(layout.Rows.size());
    std::int64_t y = CaptionStripHeight;
    for (std::size_t r = 0; r < layout.Rows.size(); ++r) {
        y += layout.Rows[r].SpaceAbove;
        tops[r] = Clamp32(y);
        y += layout.Rows[r].Height;
    }
    return tops;
}

BoardPicture LayOutBoard(DeviceLayout& layout, const std::vector<std::string>& labels, std::int32_t currentKey) {
    Normalise(layout);

    const std::vector<std::int32_t> tops = RowTops(layout);

    // Keys of each row in position order; positions are unique after Normalise.
    std::map<std::int32_t, std::map<std::int32_t, std::size_t>> rows;
    for (std::size_t i = 0; i < layout.Keys.size(); ++i) rows[layout.Keys[i].Row][layout.Keys[i].Position] = i;

    BoardPicture pic;
    pic.Width = std::max(layout.BoardWidth, MinSurfaceWidth);
    pic.Height = std::max(layout.BoardHeight, MinSurfaceHeight);
    for (const auto& [row, keys] : rows) {
        const LayoutRow& lr = layout.Rows[static_cast<std::size_t>(row - 1)];
        std::int64_t x = 0;
        for (const auto& [position, i] : keys) {
            LayoutKey& k = layout.Keys[i];
            x += k.SpaceBefore;
            k.Left = Clamp32(x);
            k.Right = Clamp32(x + k.Width - 1);
            const std::int64_t top = tops[static_cast<std::size_t>(row - 1)];
            k.Top = Clamp32(top);
            k.Bottom = Clamp32(top + lr.Height - 1);
            x += k.Width;

            KeyFace f;
            f.Key = static_cast<std::int32_t>(i + 1);
            f.Left = k.Left;
            f.Top = k.Top;
            f.Right = k.Right;
            f.Bottom = k.Bottom;
            f.Fill = f.Key == currentKey ? CurrentKeyColour : KeyColour;
            if (i < labels.size()) f.Label = labels[i];
            f.LabelX = Clamp32(std::int64_t{k.Left} + 2);
            f.LabelY = Clamp32(std::int64_t{k.Top} + 2);
            pic.Faces.push_back(std::move(f));
        }
    }
    return pic;
}

std::int32_t HitKey(const DeviceLayout& layout, std::int32_t x, std::int32_t y) {
    for (std::size_t i = 0; i < layout.Keys.size(); ++i) {
        const LayoutKey& k = layout.Keys[i];
        if (k.Left < x && x < k.Right && k.Top < y && y < k.Bottom) return static_cast<std::int32_t>(i + 1);
    }
    return 0;
}

} // namespace tambrel
