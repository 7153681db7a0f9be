#include <gtest/gtest.h>

#include <type_traits>
#include <utility>
#include <vector>

#include "document/KeyAddress.h"
#include "input/InputSystem.h"
#include "sound/KeyPlayer.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

// The numbers of a key's address are kinds of their own: none is made from
// another kind or silently from an integer, and the address takes them in
// one order only. tests/compile_fail/ shows the same mix-ups failing to build.
template <class A, class B>
constexpr bool kApart = !std::is_convertible_v<A, B> && !std::is_constructible_v<A, B>;

static_assert(kApart<KeyNo, PlayBoardNo> && kApart<PlayBoardNo, KeyNo>);
static_assert(kApart<KeyNo, SubBoardNo> && kApart<SubBoardNo, KeyNo>);
static_assert(kApart<SubBoardNo, PlayBoardNo> && kApart<PlayBoardNo, SubBoardNo>);
static_assert(kApart<DeviceNo, KeyNo> && kApart<KeyNo, DeviceNo>);
static_assert(!std::is_convertible_v<std::int32_t, KeyNo> && !std::is_convertible_v<KeyNo, std::int32_t>);
static_assert(!std::is_constructible_v<KeyAddress, KeyNo, SubBoardNo, PlayBoardNo>);
static_assert(!std::is_constructible_v<KeyAddress, std::int32_t, std::int32_t, std::int32_t>);
static_assert(!std::is_constructible_v<DeviceKey, KeyNo, DeviceNo>);
static_assert(!std::is_invocable_v<decltype(&KeyPlayer::PlayKey), KeyPlayer&, int, int, int>);
static_assert(std::is_invocable_v<decltype(&KeyPlayer::PlayKey), KeyPlayer&, KeyAddress>);
static_assert(!std::is_invocable_v<decltype(&Orchestra::ValidKey), const Orchestra&, int, int, int>);

TEST(KeyAddress, ResolvesToTheKeyItNamesAndNothingOutsideTheOrchestra) {
    TestState t({{"Keyboard", 8}, {"Mouse", 3}});
    Orchestra& o = t.st.Orc;
    // Each key of Play Board 3 is told apart by its number in the model.
    for (std::int32_t b = 1; b <= o.Set(3).BodNos(); ++b)
        for (std::int32_t k = 1; k <= o.Set(3).Bd(b).KeyNos(); ++k) o.Set(3).Bd(b).Key(k).MidiKeyNo = b * 100 + k;
    const KeyAddress at{PlayBoardNo{3}, SubBoardNo{2}, KeyNo{3}};
    ASSERT_NE(o.FindKey(at), nullptr);
    EXPECT_EQ(o.FindKey(at)->MidiKeyNo, 203);
    EXPECT_EQ(std::as_const(o).FindKey(at), o.FindKey(at));
    EXPECT_TRUE(o.ValidKey(at));
    EXPECT_FALSE(o.ValidKey(KeyAddress{}));
    EXPECT_FALSE(o.ValidKey({PlayBoardNo{3}, SubBoardNo{2}, KeyNo{4}})) << "the mouse board has 3 keys";
}

TEST(KeyAddress, ADeviceKeyReachesTheSubBoardsOfItsDeviceWithItsKey) {
    TestState t({{"Keyboard", 8}, {"Mouse", 3}});
    std::vector<KeyAddress> played;
    RouteKeyEvent(t.st.Orc, {DeviceNo{2}, KeyNo{3}}, [&](KeyAddress a) { played.push_back(a); });
    const PlayBoardNo p{t.st.Orc.CurSet};
    EXPECT_EQ(played, (std::vector<KeyAddress>{{p, SubBoardNo{2}, KeyNo{3}}}));
}

} // namespace
} // namespace tambrel::test
