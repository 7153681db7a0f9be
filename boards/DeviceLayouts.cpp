#include "boards/DeviceLayouts.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/NumberText.h"
#include "common/SplitText.h"

namespace tambrel {

namespace {

constexpr std::int32_t kKeyboardKeys = 128;
constexpr std::int32_t kGridKeysPerRow = 14; // a keyboard without 128 keys, and any other device

InputDevice* DeviceAt(ProgramState& st, std::int32_t device) {
    if (device < 1 || device > st.DeviceCount()) return nullptr;
    return &st.InputDevices[static_cast<std::size_t>(device - 1)];
}

// The layout's key list always has one entry per device key.
DeviceLayout& LayoutOf(InputDevice& dev) {
    const std::size_t keys = dev.KeyCount > 0 ? static_cast<std::size_t>(dev.KeyCount) : 0;
    if (dev.Layout.Keys.size() != keys) dev.Layout.Keys.resize(keys);
    return dev.Layout;
}

// Row count and rows array change together, so nothing reads past the array.
void SetRowCount(DeviceLayout& l, std::int32_t count) {
    l.RowCount = count < 0 ? 0 : count;
    l.Rows.resize(static_cast<std::size_t>(l.RowCount));
}

// A stored number: read leniently (no number reads 0), rounded half to even.
// One that does not fit in 32 bits (a hand-edited "1e12") is no number this
// field can hold: false, and the field fails its check.
bool StoredNumber(std::string_view text, std::int32_t& out) { return TryRoundHalfEven(ParseLenient(text), out); }

bool InRange(std::int32_t v, std::int32_t lo, std::int32_t hi) { return v >= lo && v <= hi; }

std::int32_t Clamp(std::int32_t v, std::int32_t lo, std::int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

// "BoardWidth" / "BoardHeight": a value below the limit (or none that fits)
// becomes the default.
std::int32_t ReadBoardSize(const Settings& s, const std::string& section, std::string_view key, std::int32_t fallback,
                           std::int32_t below) {
    std::int32_t v = 0;
    if (!StoredNumber(s.ReadSettingUncut(section, key, IntText(fallback)), v) || v < below) return fallback;
    return v;
}

// "KeyN": row, position, width, space before; false when it fails its check.
bool ReadKeyEntry(const std::string& text, LayoutKey& key) {
    const std::vector<std::string_view> f = SplitText(text, ',');
    if (f.size() != 4) return false;
    std::int32_t v[4];
    for (std::size_t i = 0; i < 4; ++i)
        if (!StoredNumber(f[i], v[i])) return false;
    if (!InRange(v[0], 1, 100) || !InRange(v[1], 1, 200) || !InRange(v[2], 20, 500) || !InRange(v[3], 0, 500))
        return false;
    key.Row = v[0];
    key.Position = v[1];
    key.Width = v[2];
    key.SpaceBefore = v[3];
    return true;
}

// "RowHeight": the row count, then rowCount fields of "height,space above".
bool ReadRowEntry(const std::string& text, std::int32_t rowCount, std::vector<LayoutRow>& rows) {
    const std::vector<std::string_view> f = SplitText(text, ';');
    std::int32_t count = 0;
    if (!StoredNumber(f[0], count) || count != rowCount) return false;
    if (f.size() != static_cast<std::size_t>(rowCount) + 1) return false;
    rows.assign(static_cast<std::size_t>(rowCount), LayoutRow{});
    for (std::int32_t r = 1; r <= rowCount; ++r) {
        const std::vector<std::string_view> hs = SplitText(f[static_cast<std::size_t>(r)], ',');
        std::int32_t height = 0, space = 0;
        if (hs.size() != 2 || !StoredNumber(hs[0], height) || !StoredNumber(hs[1], space)) return false;
        rows[static_cast<std::size_t>(r - 1)] = {Clamp(height, 18, 100), Clamp(space, 0, 100)};
    }
    return true;
}

// An error a builder raises: shown with the builder's title; the builder
// stops, leaving what it had set.
struct BuildError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void ShowBuildError(ProgramState& st, const std::exception& e, std::string_view title) {
    st.shell.Message(e.what(), title, MsgButtons::Ok);
}

// The keyboard table: per row its height, space above and keys
// in position order as (key, width, space before).
struct KeyPlace {
    std::int16_t key, width, space;
};
struct KeyboardRow {
    std::int32_t height, spaceAbove;
    std::vector<KeyPlace> keys;
};

const std::vector<KeyboardRow>& KeyboardTable() {
    // clang-format off
    static const std::vector<KeyboardRow> rows{
        {30, 5, {{1, 40, 10},  {59, 40, 40}, {60, 40, 0},  {61, 40, 0}, {62, 40, 0},   {63, 40, 20},
                 {64, 40, 0},  {65, 40, 0},  {66, 40, 0},  {67, 40, 20}, {68, 40, 0},  {85, 40, 0},
                 {86, 40, 0},  {101, 40, 20}, {70, 40, 0}, {103, 40, 0}}},
        {30, 15, {{41, 40, 10}, {2, 40, 0},   {3, 40, 0},   {4, 40, 0},   {5, 40, 0},   {6, 40, 0},   {7, 40, 0},
                  {8, 40, 0},   {9, 40, 0},   {10, 40, 0},  {11, 40, 0},  {12, 40, 0},  {13, 40, 0},  {14, 80, 0},
                  {112, 40, 20}, {104, 40, 0}, {106, 40, 0}, {69, 40, 20}, {100, 40, 0}, {55, 40, 0},  {74, 40, 0}}},
        {30, 0, {{15, 60, 10}, {16, 40, 0},   {17, 40, 0},  {18, 40, 0},  {19, 40, 0},  {20, 40, 0},  {21, 40, 0},
                 {22, 40, 0},  {23, 40, 0},   {24, 40, 0},  {25, 40, 0},  {26, 40, 0},  {27, 40, 0},  {43, 60, 0},
                 {113, 40, 20}, {109, 40, 0}, {111, 40, 0}, {71, 40, 20}, {72, 40, 0},  {73, 40, 0},  {78, 40, 0}}},
        {30, 0, {{58, 70, 10}, {30, 40, 0}, {31, 40, 0}, {32, 40, 0}, {33, 40, 0},   {34, 40, 0},
                 {35, 40, 0},  {36, 40, 0}, {37, 40, 0}, {38, 40, 0}, {39, 40, 0},   {40, 40, 0},
                 {28, 90, 0},  {75, 40, 160}, {76, 40, 0}, {77, 40, 0}}},
        {30, 0, {{42, 90, 10}, {44, 40, 0}, {45, 40, 0}, {46, 40, 0},  {47, 40, 0},   {48, 40, 0},
                 {49, 40, 0},  {50, 40, 0}, {51, 40, 0}, {52, 40, 0},  {53, 40, 0},   {54, 110, 0},
                 {105, 40, 60}, {79, 40, 60}, {80, 40, 0}, {81, 40, 0}}},
        {30, 0, {{29, 50, 10}, {114, 50, 0}, {56, 50, 0}, {57, 250, 0}, {102, 50, 0}, {115, 50, 0}, {116, 50, 0},
                 {92, 50, 0},  {107, 40, 20}, {110, 40, 0}, {108, 40, 0}, {82, 80, 20}, {83, 40, 0}, {91, 40, 0}}},
        {18, 15, {{84, 70, 10}, {87, 70, 0}, {88, 70, 0}, {89, 70, 0}, {90, 70, 0}, {93, 70, 0},
                  {94, 70, 0},  {95, 70, 0}, {96, 70, 0}, {97, 70, 0}, {98, 70, 0}, {99, 70, 0}}},
        {18, 0, {{117, 70, 10}, {118, 70, 0}, {119, 70, 0}, {120, 70, 0}, {121, 70, 0}, {122, 70, 0},
                 {123, 70, 0},  {124, 70, 0}, {125, 70, 0}, {126, 70, 0}, {127, 70, 0}, {128, 70, 0}}},
    };
    // clang-format on
    return rows;
}

} // namespace

void ReadDeviceLayout(ProgramState& st, const Settings& settings, std::int32_t device) {
    InputDevice* dev = DeviceAt(st, device);
    if (!dev) return;
    DeviceLayout& l = LayoutOf(*dev);
    const std::string& section = dev->Name;

    SetRowCount(l, 0);
    l.BoardWidth = ReadBoardSize(settings, section, "BoardWidth", 500, 100);
    l.BoardHeight = ReadBoardSize(settings, section, "BoardHeight", 200, 50);

    // Layout entries are read whole: the 99-character cut of other settings
    // would break a "RowHeight" of 20 rows or more.
    bool valid = true;
    for (std::int32_t k = 1; k <= dev->KeyCount && valid; ++k) {
        LayoutKey& key = l.Keys[static_cast<std::size_t>(k - 1)];
        valid = ReadKeyEntry(settings.ReadSettingUncut(section, "Key" + IntText(k), "0,0,0"), key);
        if (valid && key.Row > l.RowCount) SetRowCount(l, key.Row);
    }
    if (valid) {
        std::vector<LayoutRow> rows;
        valid = ReadRowEntry(settings.ReadSettingUncut(section, "RowHeight", "0"), l.RowCount, rows);
        if (valid) l.Rows = std::move(rows);
    }
    if (valid) return;

    // Never reported: the system keyboard and mouse get their defaults, any
    // other device the rectangular grid (so its keys can be seen and clicked).
    if (dev->Name == st.KeyboardName) BuildKeyboardLayout(st, device);
    else if (dev->Name == st.MouseName) BuildMouseLayout(st, device);
    else if (IsMidiNoteDevice(*dev)) BuildNoteLayout(st, device);
    else if (dev->Name == kOscDeviceName && dev->KeyCount == kOscKeys) BuildOscLayout(st, device);
    else BuildRectangularLayout(st, device, kGridKeysPerRow);
}

void BuildOscLayout(ProgramState& st, std::int32_t device) {
    // The grid, with keys wide enough for "OSC 128": eight rows of sixteen.
    constexpr std::int32_t kPerRow = 16, kWidth = 54;
    BuildRectangularLayout(st, device, kPerRow);
    InputDevice* dev = DeviceAt(st, device);
    if (!dev) return;
    DeviceLayout& l = LayoutOf(*dev);
    for (LayoutKey& k : l.Keys) k.Width = kWidth;
    l.BoardWidth = kPerRow * kWidth + 30;
}

bool IsMidiNoteDevice(const InputDevice& dev) {
    return dev.KeyCount == kMidiNoteKeys && dev.Name.rfind(kMidiNoteDevicePrefix, 0) == 0;
}

void BuildNoteLayout(ProgramState& st, std::int32_t device) {
    InputDevice* dev = DeviceAt(st, device);
    if (!dev) return;
    if (!IsMidiNoteDevice(*dev)) {
        BuildRectangularLayout(st, device, kGridKeysPerRow);
        return;
    }
    // One octave a row, the lowest at the bottom as on a keyboard turned to
    // stand upright; black keys narrower and with a gap on each side, so an
    // octave reads as a piano's.
    constexpr std::int32_t kRows = (kMidiNoteKeys + 11) / 12;
    constexpr std::int32_t kWhite = 40, kBlack = 28, kGap = 8, kTouch = 2, kRowHeight = 30, kRowGap = 6;
    static constexpr bool kIsBlack[12] = {false, true,  false, true,  false, false,
                                          true,  false, true,  false, true,  false};
    DeviceLayout& l = LayoutOf(*dev);
    SetRowCount(l, kRows);
    for (std::int32_t r = 0; r < kRows; ++r) l.Rows[static_cast<std::size_t>(r)] = {kRowHeight, r == 0 ? 3 : kRowGap};
    std::int32_t widest = 0, rowWidth = 0;
    for (std::int32_t i = 0; i < kMidiNoteKeys; ++i) {
        const std::int32_t step = i % 12;
        LayoutKey& k = l.Keys[static_cast<std::size_t>(i)];
        k.Row = kRows - i / 12;
        k.Position = step + 1;
        k.Width = kIsBlack[step] ? kBlack : kWhite;
        k.SpaceBefore = step == 0 ? 10 : (kIsBlack[step] || kIsBlack[step - 1]) ? kGap : kTouch;
        rowWidth = (step == 0 ? 0 : rowWidth) + k.SpaceBefore + k.Width;
        widest = std::max(widest, rowWidth);
    }
    l.BoardWidth = widest + 20;
    l.BoardHeight = kRows * (kRowHeight + kRowGap) + 20;
}

void WriteDeviceLayout(const ProgramState& st, const Settings& settings, std::int32_t device) {
    const InputDevice* dev = st.Device(device);
    if (!dev) return;
    const DeviceLayout& l = dev->Layout;
    const std::string& section = dev->Name;
    // One pass over the file for the whole layout, however large the file.
    std::vector<std::pair<std::string, std::string>> entries;
    for (std::int32_t k = 1; k <= dev->KeyCount; ++k) {
        const LayoutKey key =
            static_cast<std::size_t>(k) <= l.Keys.size() ? l.Keys[static_cast<std::size_t>(k - 1)] : LayoutKey{};
        entries.emplace_back("Key" + IntText(k), IntText(key.Row) + "," + IntText(key.Position) + "," +
                                                     IntText(key.Width) + "," + IntText(key.SpaceBefore));
    }
    std::string rows = IntText(l.RowCount);
    for (std::int32_t r = 1; r <= l.RowCount; ++r) {
        const LayoutRow row =
            static_cast<std::size_t>(r) <= l.Rows.size() ? l.Rows[static_cast<std::size_t>(r - 1)] : LayoutRow{};
        rows += ";" + IntText(row.Height) + "," + IntText(row.SpaceAbove);
    }
    entries.emplace_back("RowHeight", rows);
    entries.emplace_back("BoardHeight", IntText(l.BoardHeight));
    entries.emplace_back("BoardWidth", IntText(l.BoardWidth));
    settings.WriteSettings(section, entries);
}

void BuildKeyboardLayout(ProgramState& st, std::int32_t device) {
    InputDevice* dev = DeviceAt(st, device);
    if (!dev) return;
    if (dev->KeyCount != kKeyboardKeys) {
        BuildRectangularLayout(st, device, kGridKeysPerRow);
        return;
    }
    DeviceLayout& l = LayoutOf(*dev);
    l.BoardWidth = 944;
    l.BoardHeight = 230;
    const std::vector<KeyboardRow>& table = KeyboardTable();
    SetRowCount(l, static_cast<std::int32_t>(table.size()));
    for (LayoutKey& k : l.Keys) k.SpaceBefore = 0;
    for (std::size_t r = 0; r < table.size(); ++r) {
        l.Rows[r] = {table[r].height, table[r].spaceAbove};
        std::int32_t position = 0;
        for (const KeyPlace& p : table[r].keys) {
            LayoutKey& k = l.Keys[static_cast<std::size_t>(p.key - 1)];
            k.Row = static_cast<std::int32_t>(r + 1);
            k.Position = ++position;
            k.Width = p.width;
            k.SpaceBefore = p.space;
        }
    }
}

void BuildMouseLayout(ProgramState& st, std::int32_t device) {
    InputDevice* dev = DeviceAt(st, device);
    if (!dev) return;
    DeviceLayout& l = LayoutOf(*dev);
    try {
        l.BoardWidth = 330;
        l.BoardHeight = 60;
        SetRowCount(l, 1);
        l.Rows[0] = {25, RoundHalfEven(25 * 0.1)};
        for (std::size_t i = 0; i < l.Keys.size(); ++i) {
            LayoutKey& k = l.Keys[i];
            k.Row = 1;
            k.Position = static_cast<std::int32_t>(i + 1);
            k.Width = 60;
            k.SpaceBefore = 0;
        }
        // Key 1 of a device without keys is not there.
        if (l.Keys.empty()) throw BuildError("Subscript out of range");
        l.Keys[0].SpaceBefore = 6;
    } catch (const std::exception& e) {
        ShowBuildError(st, e, "Error Initilizing mouse key layout");
    }
}

void BuildRectangularLayout(ProgramState& st, std::int32_t device, std::int32_t keysPerRow) {
    InputDevice* dev = DeviceAt(st, device);
    if (!dev) return;
    DeviceLayout& l = LayoutOf(*dev);
    try {
        if (keysPerRow == 0) throw BuildError("Division by zero");
        // A negative count of keys per row makes no grid; nothing is set.
        if (keysPerRow < 0) throw BuildError("Subscript out of range");
        const std::int64_t keys = static_cast<std::int64_t>(l.Keys.size());
        const std::int64_t n = keysPerRow;
        std::int64_t rows = keys / n;
        if (n * rows < keys) ++rows;
        const std::int64_t width = n * 40 + 30;
        const std::int64_t height = rows * 30 + 30;
        if (width > std::numeric_limits<std::int32_t>::max() || height > std::numeric_limits<std::int32_t>::max())
            throw BuildError("Overflow");
        l.BoardWidth = static_cast<std::int32_t>(width);
        l.BoardHeight = static_cast<std::int32_t>(height);
        SetRowCount(l, static_cast<std::int32_t>(rows));
        for (std::size_t r = 0; r < l.Rows.size(); ++r) l.Rows[r] = {30, r == 0 ? 3 : 0};
        for (std::int64_t i = 0; i < keys; ++i) {
            LayoutKey& k = l.Keys[static_cast<std::size_t>(i)];
            k.Row = static_cast<std::int32_t>(i / n + 1);
            k.Position = static_cast<std::int32_t>(i % n + 1);
            k.Width = 40;
            k.SpaceBefore = k.Position == 1 ? 10 : 0;
        }
    } catch (const std::exception& e) {
        ShowBuildError(st, e, "Error Initilizing rectangular layout");
    }
}

} // namespace tambrel
