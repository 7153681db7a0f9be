#include "boards/KeyLights.h"

#include <algorithm>
#include <limits>

namespace tambrel {

namespace {
constexpr std::int64_t kForever = std::numeric_limits<std::int64_t>::max();

std::int64_t After(std::int64_t now, std::int64_t ms) { return now > kForever - ms ? kForever : now + ms; }
} // namespace

bool KeyLightsOn(const Settings& settings) { return settings.ReadSwitch(kLightSection, kLightKey); }

std::size_t KeyLights::Hash::operator()(const KeyAddress& k) const noexcept {
    std::uint64_t h = static_cast<std::uint32_t>(k.playBoard.value);
    h = h * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(k.subBoard.value);
    h = h * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(k.key.value);
    return static_cast<std::size_t>(h ^ (h >> 29));
}

void KeyLights::Played(KeyAddress key, std::int64_t now, std::int32_t ms) {
    const std::int64_t until = ms < 0 ? kForever : After(now, std::max(ms, kMinLitMs));
    Light& l = lights_[key];
    // Still lit from an earlier play: the longer of the two lights holds.
    l.litUntil = l.litUntil > now ? std::max(l.litUntil, until) : until;
    l.start = now;
}

void KeyLights::Stopped(KeyAddress key, std::int64_t now) {
    const auto it = lights_.find(key);
    if (it == lights_.end() || it->second.litUntil <= now) return;
    it->second.litUntil = std::max(now, After(it->second.start, kMinLitMs));
}

std::uint8_t KeyLights::LevelAt(const Light& l, std::int64_t now) {
    if (now < l.litUntil) return kFullLight;
    const std::int64_t faded = now - l.litUntil;
    if (faded >= kLightFadeMs) return 0;
    // Whole steps down from full, the last step above dark.
    const std::int64_t step = faded * kLightFadeSteps / kLightFadeMs; // 0 .. steps-1
    return static_cast<std::uint8_t>(kFullLight * (kLightFadeSteps - step) / (kLightFadeSteps + 1));
}

void KeyLights::Frame(std::int64_t now, std::vector<KeyAddress>& changed) {
    for (auto it = lights_.begin(); it != lights_.end();) {
        const std::uint8_t level = LevelAt(it->second, now);
        if (level != it->second.shown) {
            changed.push_back(it->first);
            it->second.shown = level;
        }
        it = level == 0 ? lights_.erase(it) : std::next(it);
    }
}

std::uint8_t KeyLights::Level(KeyAddress key) const {
    const auto it = lights_.find(key);
    return it == lights_.end() ? 0 : it->second.shown;
}

void KeyLights::Clear(std::vector<KeyAddress>& changed) {
    for (const auto& [key, light] : lights_)
        if (light.shown != 0) changed.push_back(key);
    lights_.clear();
}

} // namespace tambrel
