// The browsers' JSON files read and written back, members in the file's own
// order. Included only by the sources that read them: the JSON library stays
// out of every other header.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace browsers {

using Json = nlohmann::ordered_json;

// Nothing for text that is no JSON, or nested deeper than Chromium reads.
std::optional<Json> ParsedJson(std::string_view text);
// Compact, as Chromium writes these files; nothing for text that is no
// UTF-8 (which Chromium's own reader would refuse).
std::optional<std::string> JsonText(const Json& value);

}  // namespace browsers
