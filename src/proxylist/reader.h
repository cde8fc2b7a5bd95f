// Reads the items of the proxy list file: comma- and line-separated, with
// double quotes around an item that holds commas or blanks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace proxylist {

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  // True when no item is left; tested before every item.
  bool AtEnd() const;
  // Reads the next item and what ends it.
  std::string Next();

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
  bool after_comma_ = false;  // a comma always opens one more item
};

// Every item of the file's bytes, in order.
std::vector<std::string> ReadAll(std::string_view bytes);

}  // namespace proxylist
