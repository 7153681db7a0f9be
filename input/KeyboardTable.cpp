#include "input/KeyboardTable.h"

namespace tambrel {

// The one table of the keyboard. Objects 1-83 are the PC scan codes 1-83,
// which Linux key codes 1-83 equal. Then the key left of Z and F11/F12, then
// the extended (E0-prefixed) keys in scan-code order; the places the board
// layout keeps for its two spare rows (87-90, 93-99, 117-128) hold media and
// extra keys. Codes are those of <linux/input-event-codes.h>.
const std::array<InputObject, kKeyboardObjects>& KeyboardObjects() {
    static constexpr std::array<InputObject, kKeyboardObjects> table{{
        {1, 1, "Esc"}, // KEY_ESC
        {2, 2, "1"},
        {3, 3, "2"},
        {4, 4, "3"},
        {5, 5, "4"},
        {6, 6, "5"},
        {7, 7, "6"},
        {8, 8, "7"},
        {9, 9, "8"},
        {10, 10, "9"},
        {11, 11, "0"},
        {12, 12, "-"}, // KEY_MINUS
        {13, 13, "="}, // KEY_EQUAL
        {14, 14, "Backspace"},
        {15, 15, "Tab"},
        {16, 16, "Q"},
        {17, 17, "W"},
        {18, 18, "E"},
        {19, 19, "R"},
        {20, 20, "T"},
        {21, 21, "Y"},
        {22, 22, "U"},
        {23, 23, "I"},
        {24, 24, "O"},
        {25, 25, "P"},
        {26, 26, "["},
        {27, 27, "]"},
        {28, 28, "Enter"},
        {29, 29, "Left Ctrl"},
        {30, 30, "A"},
        {31, 31, "S"},
        {32, 32, "D"},
        {33, 33, "F"},
        {34, 34, "G"},
        {35, 35, "H"},
        {36, 36, "J"},
        {37, 37, "K"},
        {38, 38, "L"},
        {39, 39, ";"},
        {40, 40, "'"},
        {41, 41, "`"}, // KEY_GRAVE
        {42, 42, "Left Shift"},
        {43, 43, "\\"}, // KEY_BACKSLASH
        {44, 44, "Z"},
        {45, 45, "X"},
        {46, 46, "C"},
        {47, 47, "V"},
        {48, 48, "B"},
        {49, 49, "N"},
        {50, 50, "M"},
        {51, 51, ","},
        {52, 52, "."},
        {53, 53, "/"},
        {54, 54, "Right Shift"},
        {55, 55, "Numpad *"}, // KEY_KPASTERISK
        {56, 56, "Left Alt"},
        {57, 57, "Space"},
        {58, 58, "Caps Lock"},
        {59, 59, "F1"},
        {60, 60, "F2"},
        {61, 61, "F3"},
        {62, 62, "F4"},
        {63, 63, "F5"},
        {64, 64, "F6"},
        {65, 65, "F7"},
        {66, 66, "F8"},
        {67, 67, "F9"},
        {68, 68, "F10"},
        {69, 69, "Num Lock"},
        {70, 70, "Scroll Lock"},
        {71, 71, "Numpad 7"},
        {72, 72, "Numpad 8"},
        {73, 73, "Numpad 9"},
        {74, 74, "Numpad -"},
        {75, 75, "Numpad 4"},
        {76, 76, "Numpad 5"},
        {77, 77, "Numpad 6"},
        {78, 78, "Numpad +"},
        {79, 79, "Numpad 1"},
        {80, 80, "Numpad 2"},
        {81, 81, "Numpad 3"},
        {82, 82, "Numpad 0"},
        {83, 83, "Numpad ."}, // KEY_KPDOT
        {84, 86, "<>"},       // KEY_102ND: the extra key left of Z
        {85, 87, "F11"},
        {86, 88, "F12"},
        {87, 183, "F13"},
        {88, 184, "F14"},
        {89, 165, "Previous Track"}, // KEY_PREVIOUSSONG, E0 10
        {90, 163, "Next Track"},     // KEY_NEXTSONG, E0 19
        {91, 96, "Numpad Enter"},    // KEY_KPENTER, E0 1C
        {92, 97, "Right Ctrl"},      // E0 1D
        {93, 113, "Mute"},           // E0 20
        {94, 140, "Calculator"},     // KEY_CALC, E0 21
        {95, 164, "Play/Pause"},     // E0 22
        {96, 166, "Media Stop"},     // KEY_STOPCD, E0 24
        {97, 114, "Volume Down"},    // E0 2E
        {98, 115, "Volume Up"},      // E0 30
        {99, 172, "Web Home"},       // KEY_HOMEPAGE, E0 32
        {100, 98, "Numpad /"},       // KEY_KPSLASH, E0 35
        {101, 99, "Print Screen"},   // KEY_SYSRQ, E0 37
        {102, 100, "Right Alt"},     // E0 38
        {103, 119, "Pause"},         // E1 1D 45
        {104, 102, "Home"},          // E0 47
        {105, 103, "Up"},            // E0 48
        {106, 104, "Page Up"},       // E0 49
        {107, 105, "Left"},          // E0 4B
        {108, 106, "Right"},         // E0 4D
        {109, 107, "End"},           // E0 4F
        {110, 108, "Down"},          // E0 50
        {111, 109, "Page Down"},     // E0 51
        {112, 110, "Insert"},        // E0 52
        {113, 111, "Delete"},        // E0 53
        {114, 125, "Left Super"},    // KEY_LEFTMETA, E0 5B
        {115, 126, "Right Super"},   // KEY_RIGHTMETA, E0 5C
        {116, 127, "Menu"},          // KEY_COMPOSE, E0 5D
        {117, 116, "Power"},         // E0 5E
        {118, 142, "Sleep"},         // E0 5F
        {119, 143, "Wake"},          // KEY_WAKEUP, E0 63
        {120, 217, "Web Search"},    // KEY_SEARCH, E0 65
        {121, 156, "Favorites"},     // KEY_BOOKMARKS, E0 66
        {122, 173, "Refresh"},       // E0 67
        {123, 128, "Web Stop"},      // KEY_STOP, E0 68
        {124, 159, "Forward"},       // E0 69
        {125, 158, "Back"},          // E0 6A
        {126, 157, "My Computer"},   // KEY_COMPUTER, E0 6B
        {127, 155, "Mail"},          // E0 6C
        {128, 226, "Media Select"},  // KEY_MEDIA, E0 6D
    }};
    return table;
}

const std::array<MouseObject, kMouseObjects>& MouseObjects() {
    static constexpr std::array<MouseObject, kMouseObjects> table{{
        {{1, 0x00, "X Axis"}, MouseObjectKind::RelativeAxis, 0},   // REL_X
        {{2, 0x01, "Y Axis"}, MouseObjectKind::RelativeAxis, 0},   // REL_Y
        {{3, 0x08, "Wheel"}, MouseObjectKind::RelativeAxis, 0},    // REL_WHEEL
        {{4, 0x110, "Left Button"}, MouseObjectKind::Button, 0},   // BTN_LEFT
        {{5, 0x111, "Right Button"}, MouseObjectKind::Button, 0},  // BTN_RIGHT
        {{6, 0x112, "Middle Button"}, MouseObjectKind::Button, 0}, // BTN_MIDDLE
        {{7, 0x113, "Button 4"}, MouseObjectKind::Button, 0x116},  // BTN_SIDE / BTN_BACK
        {{8, 0x114, "Button 5"}, MouseObjectKind::Button, 0x115},  // BTN_EXTRA / BTN_FORWARD
    }};
    return table;
}

std::int32_t KeyboardObjectForCode(std::uint16_t linuxCode) {
    // Built once: Linux key codes stay below 0x300.
    static const auto byCode = [] {
        std::array<std::int32_t, 0x300> m{};
        for (const InputObject& o : KeyboardObjects()) m[o.linuxCode] = o.keyNo;
        return m;
    }();
    return linuxCode < byCode.size() ? byCode[linuxCode] : 0;
}

} // namespace tambrel
