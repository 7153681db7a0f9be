#pragma once
// A key's address and the numbers it is made of. Play Boards, Sub Boards,
// keys and devices are numbered from 1 (0 means none); each kind of number
// is a type of its own, made only explicitly from an integer and never
// converted into another kind, so a Sub Board cannot be passed where a key
// is wanted. The model keeps plain integers; these types carry the numbers
// between its parts.

#include <compare>
#include <cstdint>

namespace tambrel {

// A 1-based number of one kind.
template <class Kind>
class OneBased {
public:
    constexpr OneBased() = default;
    constexpr explicit OneBased(std::int32_t v) : value(v) {}

    std::int32_t value = 0;

    constexpr auto operator<=>(const OneBased&) const = default;
};

using PlayBoardNo = OneBased<struct PlayBoardKind>;
using SubBoardNo = OneBased<struct SubBoardKind>;
using KeyNo = OneBased<struct KeyKind>;
using DeviceNo = OneBased<struct DeviceKind>;

// One key of one Sub Board of one Play Board; all zeros for "none".
struct KeyAddress {
    PlayBoardNo playBoard;
    SubBoardNo subBoard;
    KeyNo key;

    constexpr bool operator==(const KeyAddress&) const = default;
};

// A press as a device reports it: which device, which of its keys.
struct DeviceKey {
    DeviceNo device;
    KeyNo key;

    constexpr bool operator==(const DeviceKey&) const = default;
};

} // namespace tambrel
