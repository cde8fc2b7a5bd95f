// The web addresses the program opens or fetches, gathered in one place.
#pragma once

#include <string_view>

namespace shell::links {

inline constexpr std::string_view kHelpPage = "https://maskfold.example/help.htm";
inline constexpr std::string_view kClickThroughPage = "https://maskfold.example/redirect.htm";
inline constexpr std::string_view kMakerSite = "https://maskfold.example/";
// What the About window shows of the maker.
inline constexpr std::string_view kMakerHost = "maskfold.example";
inline constexpr std::string_view kMakerEmail = "info@maskfold.example";

}  // namespace shell::links
