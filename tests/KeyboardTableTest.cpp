// The keyboard's 128 objects against the keyboard's default board layout:
// the layout places key numbers, the table says which key each number is,
// and together they must draw a PC keyboard.

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "input/KeyboardTable.h"

namespace tambrel::test {
namespace {

// The key numbers of the keyboard's default layout, row by row, in position
// order, as the board layout places them.
const std::vector<std::vector<int>> kDefaultLayoutRows{
    {1, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 85, 86, 101, 70, 103},
    {41, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 112, 104, 106, 69, 100, 55, 74},
    {15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 43, 113, 109, 111, 71, 72, 73, 78},
    {58, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 28, 75, 76, 77},
    {42, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 105, 79, 80, 81},
    {29, 114, 56, 57, 102, 115, 116, 92, 107, 110, 108, 82, 83, 91},
    {84, 87, 88, 89, 90, 93, 94, 95, 96, 97, 98, 99},
    {117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128},
};

// What those rows show on a PC keyboard, left to right.
const std::vector<std::vector<std::string>> kPcRows{
    {"Esc", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12", "Print Screen", "Scroll Lock",
     "Pause"},
    {"`", "1", "2",         "3",      "4",    "5",       "6",        "7",        "8",        "9",       "0",
     "-", "=", "Backspace", "Insert", "Home", "Page Up", "Num Lock", "Numpad /", "Numpad *", "Numpad -"},
    {"Tab", "Q", "W",  "E",      "R",   "T",         "Y",        "U",        "I",        "O",       "P",
     "[",   "]", "\\", "Delete", "End", "Page Down", "Numpad 7", "Numpad 8", "Numpad 9", "Numpad +"},
    {"Caps Lock", "A", "S", "D", "F", "G", "H", "J", "K", "L", ";", "'", "Enter", "Numpad 4", "Numpad 5", "Numpad 6"},
    {"Left Shift", "Z", "X", "C", "V", "B", "N", "M", ",", ".", "/", "Right Shift", "Up", "Numpad 1", "Numpad 2",
     "Numpad 3"},
    {"Left Ctrl", "Left Super", "Left Alt", "Space", "Right Alt", "Right Super", "Menu", "Right Ctrl", "Left", "Down",
     "Right", "Numpad 0", "Numpad .", "Numpad Enter"},
};

const InputObject& Object(int keyNo) { return KeyboardObjects().at(static_cast<std::size_t>(keyNo - 1)); }

TEST(KeyboardTable, TheDefaultLayoutUsesEachOfThe128PlacesExactlyOnce) {
    std::map<int, int> uses;
    for (const auto& row : kDefaultLayoutRows)
        for (int k : row) ++uses[k];
    ASSERT_EQ(uses.size(), kKeyboardObjects);
    EXPECT_EQ(uses.begin()->first, 1);
    EXPECT_EQ(uses.rbegin()->first, 128);
    for (const auto& [k, n] : uses) EXPECT_EQ(n, 1) << "key " << k;

    // And the table has exactly those 128 objects, each a different key.
    std::set<int> codes;
    std::set<std::string> labels;
    for (std::size_t i = 0; i < KeyboardObjects().size(); ++i) {
        const InputObject& o = KeyboardObjects()[i];
        EXPECT_EQ(o.keyNo, static_cast<int>(i + 1));
        EXPECT_FALSE(o.label.empty());
        codes.insert(o.linuxCode);
        labels.insert(std::string(o.label));
    }
    EXPECT_EQ(codes.size(), kKeyboardObjects);
    EXPECT_EQ(labels.size(), kKeyboardObjects);
}

TEST(KeyboardTable, TheDefaultLayoutDrawsAPcKeyboard) {
    for (std::size_t r = 0; r < kPcRows.size(); ++r) {
        std::vector<std::string> shown;
        for (int k : kDefaultLayoutRows[r]) shown.emplace_back(Object(k).label);
        EXPECT_EQ(shown, kPcRows[r]) << "row " << r + 1;
    }
    // The two spare rows hold nothing of the main block.
    std::set<std::string> main;
    for (const auto& row : kPcRows) main.insert(row.begin(), row.end());
    for (std::size_t r = 6; r < 8; ++r)
        for (int k : kDefaultLayoutRows[r]) EXPECT_EQ(main.count(std::string(Object(k).label)), 0u) << "key " << k;
}

TEST(KeyboardTable, KeyNumbersFollowTheScanCodesAndTheKernelCodes) {
    // Scan codes 1-83 are the kernel's codes 1-83.
    for (int k = KEY_ESC; k <= KEY_KPDOT; ++k) EXPECT_EQ(KeyboardObjectForCode(static_cast<std::uint16_t>(k)), k);
    const std::vector<std::pair<int, int>> fixed{
        {KEY_102ND, 84},      {KEY_F11, 85},       {KEY_F12, 86},       {KEY_KPENTER, 91}, {KEY_RIGHTCTRL, 92},
        {KEY_KPSLASH, 100},   {KEY_SYSRQ, 101},    {KEY_RIGHTALT, 102}, {KEY_PAUSE, 103},  {KEY_HOME, 104},
        {KEY_UP, 105},        {KEY_PAGEUP, 106},   {KEY_LEFT, 107},     {KEY_RIGHT, 108},  {KEY_END, 109},
        {KEY_DOWN, 110},      {KEY_PAGEDOWN, 111}, {KEY_INSERT, 112},   {KEY_DELETE, 113}, {KEY_LEFTMETA, 114},
        {KEY_RIGHTMETA, 115}, {KEY_COMPOSE, 116}};
    for (const auto& [code, keyNo] : fixed)
        EXPECT_EQ(KeyboardObjectForCode(static_cast<std::uint16_t>(code)), keyNo) << "code " << code;
    for (const InputObject& o : KeyboardObjects()) EXPECT_EQ(KeyboardObjectForCode(o.linuxCode), o.keyNo);
    EXPECT_EQ(KeyboardObjectForCode(BTN_LEFT), 0);
    EXPECT_EQ(KeyboardObjectForCode(KEY_MAX), 0);
    EXPECT_EQ(KeyboardObjectForCode(0xffff), 0);
}

TEST(KeyboardTable, KeypadKeysAreLabelledNumpad) {
    for (int code : {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4, KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9,
                     KEY_KPDOT, KEY_KPPLUS, KEY_KPMINUS, KEY_KPASTERISK, KEY_KPSLASH, KEY_KPENTER}) {
        const int k = KeyboardObjectForCode(static_cast<std::uint16_t>(code));
        ASSERT_GT(k, 0) << code;
        EXPECT_EQ(Object(k).label.substr(0, 7), "Numpad ") << code;
    }
    int numpads = 0;
    for (const InputObject& o : KeyboardObjects()) numpads += o.label.substr(0, 7) == "Numpad ";
    EXPECT_EQ(numpads, 16);
}

TEST(MouseTable, AxesThenButtons) {
    const auto& m = MouseObjects();
    const std::vector<std::pair<int, MouseObjectKind>> expected{
        {REL_X, MouseObjectKind::RelativeAxis},     {REL_Y, MouseObjectKind::RelativeAxis},
        {REL_WHEEL, MouseObjectKind::RelativeAxis}, {BTN_LEFT, MouseObjectKind::Button},
        {BTN_RIGHT, MouseObjectKind::Button},       {BTN_MIDDLE, MouseObjectKind::Button},
        {BTN_SIDE, MouseObjectKind::Button},        {BTN_EXTRA, MouseObjectKind::Button}};
    ASSERT_EQ(m.size(), expected.size());
    for (std::size_t i = 0; i < m.size(); ++i) {
        EXPECT_EQ(m[i].object.keyNo, static_cast<int>(i + 1));
        EXPECT_EQ(m[i].object.linuxCode, expected[i].first) << i;
        EXPECT_EQ(m[i].kind, expected[i].second) << i;
    }
    EXPECT_EQ(m[6].altCode, BTN_BACK);
    EXPECT_EQ(m[7].altCode, BTN_FORWARD);
}

} // namespace
} // namespace tambrel::test
