#include "proxylist/reader.h"

namespace proxylist {

// Decisions where the file format leaves room:
// - A line ends at CR LF, a lone CR or a lone LF (files written elsewhere).
// - Tabs count as blanks, like spaces: skipped before an item, trimmed after.
// - A quoted item ends at its closing quote or, failing that, at the end of
//   its line: one stray quote never swallows the rest of the file.
// - Text between a closing quote and the next comma or line end is dropped.
// - A quote inside an unquoted item is an ordinary character.
// - A comma always opens one more item, also at the very end of the file.
// - Blanks alone after the last line end give no item.
namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
}  // namespace

bool Reader::AtEnd() const {
  if (after_comma_) return false;
  for (std::size_t i = at_; i < bytes_.size(); ++i)
    if (!IsBlank(bytes_[i])) return false;
  return true;
}

std::string Reader::Next() {
  after_comma_ = false;
  const std::size_t size = bytes_.size();
  auto consume_separator = [&] {
    if (at_ >= size) return;
    if (bytes_[at_] == ',') {
      ++at_;
      after_comma_ = true;
    } else if (bytes_[at_] == '\r') {
      ++at_;
      if (at_ < size && bytes_[at_] == '\n') ++at_;
    } else if (bytes_[at_] == '\n') {
      ++at_;
    }
  };

  while (at_ < size && IsBlank(bytes_[at_])) ++at_;

  std::string item;
  if (at_ < size && bytes_[at_] == '"') {
    ++at_;
    const std::size_t start = at_;
    while (at_ < size && bytes_[at_] != '"' && !IsLineEnd(bytes_[at_])) ++at_;
    item.assign(bytes_.substr(start, at_ - start));
    if (at_ < size && bytes_[at_] == '"') ++at_;
    while (at_ < size && bytes_[at_] != ',' && !IsLineEnd(bytes_[at_])) ++at_;
  } else {
    const std::size_t start = at_;
    while (at_ < size && bytes_[at_] != ',' && !IsLineEnd(bytes_[at_])) ++at_;
    std::size_t end = at_;
    while (end > start && IsBlank(bytes_[end - 1])) --end;
    item.assign(bytes_.substr(start, end - start));
  }
  consume_separator();
  return item;
}

std::vector<std::string> ReadAll(std::string_view bytes) {
  std::vector<std::string> items;
  Reader reader(bytes);
  while (!reader.AtEnd()) items.push_back(reader.Next());
  return items;
}

}  // namespace proxylist
