#pragma once
// A device's board geometry: rows, key places and sizes, and the key
// rectangles computed from them. Belongs to the device (all Sub Boards bound
// to it share it) and is kept in the settings file, never in Orchestras.
// All lengths are pixels of the board surface.

#include <cstdint>
#include <string>
#include <vector>

namespace tambrel {

struct LayoutRow {
    std::int32_t Height = 0;
    std::int32_t SpaceAbove = 0; // gap to the previous row, or to the board top
    bool operator==(const LayoutRow&) const = default;
};

struct LayoutKey {
    std::int32_t Row = 0;      // 1-based; 0 = not placed
    std::int32_t Position = 0; // 1-based place in the row, left to right; 0 = not placed
    std::int32_t Width = 0;
    std::int32_t SpaceBefore = 0; // gap to the previous key in the row, or the left edge
    // Inclusive pixel rectangle, computed by LayOutBoard.
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const LayoutKey&) const = default;
};

struct DeviceLayout {
    std::int32_t BoardWidth = 0;
    std::int32_t BoardHeight = 0;
    std::int32_t RowCount = 0;
    std::vector<LayoutRow> Rows; // row r is Rows[r - 1]; always RowCount long
    std::vector<LayoutKey> Keys; // key k is Keys[k - 1]; as long as the device's key count
    bool operator==(const DeviceLayout&) const = default;
};

} // namespace tambrel
