// The proxy list reader: the file's rules and the decisions where they
// leave room.
#include <gtest/gtest.h>

#include "proxylist/reader.h"

namespace {
using Items = std::vector<std::string>;

TEST(ProxyListReader, ReadsItemsByTheFileRules) {
  const struct {
    const char* what;
    std::string bytes;
    Items items;
  } cases[] = {
      {"empty file", "", {}},
      {"a,b on one line", "a,b\r\n", {"a", "b"}},
      {"a quoted item keeps its comma", "\"a,b\"\r\n", {"a,b"}},
      {"blanks around an unquoted item", "  a  \r\n", {"a"}},
      {"blanks inside quotes stay", "\"  a b  \"\r\n", {"  a b  "}},
      {"blank line between two proxies", "p1:80\r\n\r\np2:80\r\n", {"p1:80", "", "p2:80"}},
      {"trailing comma", "a,\r\n", {"a", ""}},
      {"comma at the start of a line", ",a\r\n", {"", "a"}},
      {"two commas", "a,,b\r\n", {"a", "", "b"}},
      {"duplicates kept in file order", "b\r\na\r\nb\r\n", {"b", "a", "b"}},
      {"last line without a line end", "a\r\nb", {"a", "b"}},
      {"a blank line alone", "\r\n", {""}},
      {"a lone CR ends a line", "a\rb\r", {"a", "b"}},
      {"a lone LF ends a line", "a\nb\n", {"a", "b"}},
      {"LF CR is two line ends", "a\n\rb", {"a", "", "b"}},
      {"tabs count as blanks", "\ta\t,\t\"b\"\t\r\n", {"a", "b"}},
      {"a line end ends an unclosed quote", "\"a,b\r\nc\r\n", {"a,b", "c"}},
      {"text after a closing quote is dropped", "\"a\"xyz,b\r\n", {"a", "b"}},
      {"a quote inside an unquoted item is kept", "a\"b,c\r\n", {"a\"b", "c"}},
      {"blanks after the last line end give nothing", "a\r\n   ", {"a"}},
      {"a trailing comma at the very end", "a,", {"a", ""}},
      {"blanks after a final comma", "a,  ", {"a", ""}},
      {"an empty quoted item", "\"\",a\r\n", {"", "a"}},
      {"bytes above 127 pass unchanged", "pr\xf6xy:80\r\n", {"pr\xf6xy:80"}},
      {"a NUL is an ordinary byte", std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
  };
  for (const auto& c : cases) EXPECT_EQ(proxylist::ReadAll(c.bytes), c.items) << c.what;
}

TEST(ProxyListReader, TellsTheEndBeforeEveryItem) {
  proxylist::Reader reader("a,b\r\n");
  ASSERT_FALSE(reader.AtEnd());
  EXPECT_EQ(reader.Next(), "a");
  ASSERT_FALSE(reader.AtEnd());
  EXPECT_EQ(reader.Next(), "b");
  EXPECT_TRUE(reader.AtEnd());
}

}  // namespace
