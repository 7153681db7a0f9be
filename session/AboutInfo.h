#pragma once
// What the about window (Help > "About") shows: the build text, the
// information text in parts, each with its tip, and the link to the
// product's web page.

#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

inline constexpr std::string_view kAboutTitle = "About Tambrel Orchestra";
inline constexpr std::string_view kProductWebPage = "https://tambrel.org";
inline constexpr std::string_view kLinkTip = "Click to visit our web site";
inline constexpr std::string_view kBuildTip = "Version";

struct AboutPart {
    std::string text;
    std::string tip; // a short caption of the part, shown while the mouse is over it
};

// The build label: the version and the build date in round brackets,
// "(Version 0.1, built 2026-12-08)". An empty date leaves it out.
std::string AboutBuildText(std::string_view version, std::string_view buildDate);

// The information text, top to bottom.
std::vector<AboutPart> AboutInformation();

} // namespace tambrel
