#include "browsers/json_text.h"

namespace browsers {
namespace {

// Chromium's reader stops at this depth too.
constexpr int kMaxDepth = 200;

}  // namespace

std::optional<Json> ParsedJson(std::string_view text) {
  bool too_deep = false;
  Json parsed = Json::parse(
      text.data(), text.data() + text.size(),
      [&too_deep](int depth, Json::parse_event_t, Json&) {
        too_deep = too_deep || depth > kMaxDepth;
        return true;
      },
      /*allow_exceptions=*/false);
  if (parsed.is_discarded() || too_deep) return std::nullopt;
  return parsed;
}

std::optional<std::string> JsonText(const Json& value) {
  try {
    return value.dump(-1, ' ', /*ensure_ascii=*/false, Json::error_handler_t::strict);
  } catch (const Json::exception&) {
    return std::nullopt;
  }
}

}  // namespace browsers
