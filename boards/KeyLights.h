#pragma once
// Keys that light while they sound. The core tells the windows each play
// (notice::KeyPlayed) and each voice cut short (notice::KeyStoppedSounding);
// this model keeps, per key, until when it is lit and how far it has faded,
// and at every display frame names the keys whose brightness changed, each
// once, so a window repaints a key at most once a frame however often it is
// played. Times are milliseconds of any steady clock. User-interface thread.

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/Settings.h"
#include "document/KeyAddress.h"

namespace tambrel {

// A key stays lit at least this long, so a short sound is seen too.
inline constexpr std::int32_t kMinLitMs = 120;
// Then it fades back to its colour over this time,
inline constexpr std::int32_t kLightFadeMs = 240;
// in this many steps of brightness (fewer repaints than one a frame).
inline constexpr std::int32_t kLightFadeSteps = 8;
inline constexpr std::uint8_t kFullLight = 255;
// The display frame the windows repaint lit keys at.
inline constexpr std::int32_t kLightFrameMs = 16;

// The setting that turns lighting off: "LightKeys=0" in section "Display".
inline constexpr std::string_view kLightSection = "Display";
inline constexpr std::string_view kLightKey = "LightKeys";
// On unless the settings say "0" (or "False").
bool KeyLightsOn(const Settings& settings);

class KeyLights {
public:
    // The key started to sound for `ms` milliseconds (negative, as
    // notice::KeyPlayed::kUntilStopped: until Stopped). A key lit longer already keeps its longer light.
    void Played(KeyAddress key, std::int64_t now, std::int32_t ms);
    // Its voice ended early: it fades from now, but after kMinLitMs at the
    // earliest. A key that is not lit stays dark.
    void Stopped(KeyAddress key, std::int64_t now);
    // Advances to `now` and appends to `changed` every key whose brightness
    // is not what the last frame showed; keys faded out are forgotten.
    void Frame(std::int64_t now, std::vector<KeyAddress>& changed);
    // The brightness the last frame showed, 0 (dark) .. kFullLight.
    std::uint8_t Level(KeyAddress key) const;
    // Nothing lit or fading: no frames are needed.
    bool Idle() const { return lights_.empty(); }
    // Every key dark at once (another Orchestra, lighting turned off);
    // appends the keys that were lit.
    void Clear(std::vector<KeyAddress>& changed);

private:
    struct Light {
        std::int64_t start = 0;
        std::int64_t litUntil = 0; // INT64_MAX while it sounds until stopped
        std::uint8_t shown = 0;
    };
    struct Hash {
        std::size_t operator()(const KeyAddress& k) const noexcept;
    };
    static std::uint8_t LevelAt(const Light& l, std::int64_t now);
    std::unordered_map<KeyAddress, Light, Hash> lights_;
};

} // namespace tambrel
