// Comparisons of 8-bit text as the file system and WinINet make them: ASCII
// letters without regard to case; and the words of a command line.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace text {

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// ASCII letters in lower case, as the comparisons above see them.
inline std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

inline bool StartsWithNoCase(std::string_view whole, std::string_view prefix) {
  return whole.size() >= prefix.size() && EqualsNoCase(whole.substr(0, prefix.size()), prefix);
}

inline bool EndsWithNoCase(std::string_view whole, std::string_view suffix) {
  return whole.size() >= suffix.size() &&
         EqualsNoCase(whole.substr(whole.size() - suffix.size()), suffix);
}

// True when the command line holds the word on its own, outside quotes
// ("maskfold.exe --off", not a quoted path that holds it).
inline bool CommandLineHas(std::string_view command_line, std::string_view wanted) {
  bool quoted = false;
  std::string word;
  for (std::size_t i = 0; i <= command_line.size(); ++i) {
    const char c = i < command_line.size() ? command_line[i] : ' ';
    if (c == '"') {
      quoted = !quoted;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (word == wanted) return true;
      word.clear();
    } else {
      word += c;
    }
  }
  return false;
}

}  // namespace text
