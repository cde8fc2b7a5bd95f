// The browsers' JSON files read and written back, members in the file's own
// order. Private to sitedata: the JSON library stays out of every header
// that others include.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace sitedata {

using Json = nlohmann::ordered_json;

// Nothing for text that is no JSON, or nested deeper than Chromium reads.
std::optional<Json> ParsedJson(std::string_view text);
// Compact, as Chromium writes these files; nothing for text that is no
// UTF-8 (which Chromium's own reader would refuse).
std::optional<std::string> JsonText(const Json& value);

}  // namespace sitedata
