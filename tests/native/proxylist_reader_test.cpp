// The proxy list reader: the file's rules and the decisions where they
// leave room.
#include <gtest/gtest.h>

#include <optional>

#include "fake_platform.h"
#include "platform/files.h"
#include "proxylist/decoding.h"
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

// The fake system's code page is Latin-1, with 0x81 meaning nothing.
TEST(ProxyListDecoding, TheFileBecomesUtf8TextOrIsRefused) {
  using namespace std::string_literals;
  fake::FakeSystem::Reset();
  fake::FakeSystem::Get().undefined_in_code_page = {0x81};
  const struct {
    const char* what;
    std::string bytes;
    std::optional<std::string> text;
  } cases[] = {
      {"empty file", "", ""},
      {"ASCII as it is", "a:80,b\r\n", "a:80,b\r\n"},
      {"UTF-8 without a mark as it is", "pr\xC3\xB6xy\r\n", "pr\xC3\xB6xy\r\n"},
      {"a UTF-8 mark is dropped",
       "\xEF\xBB\xBF"
       "a,\xC3\xB6\r\n",
       "a,\xC3\xB6\r\n"},
      {"a UTF-8 mark alone", "\xEF\xBB\xBF", ""},
      {"after a UTF-8 mark, bytes that are not UTF-8", "\xEF\xBB\xBFpr\xF6xy", std::nullopt},
      {"UTF-16 LE with its mark", "\xFF\xFEp\0\xF6\0,\0\r\0\n\0"s, "p\xC3\xB6,\r\n"},
      {"UTF-16 BE with its mark", "\xFE\xFF\0p\0\xF6\x30\xAF"s, "p\xC3\xB6\xE3\x82\xAF"},
      {"UTF-16 surrogate pair", "\xFF\xFE\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"},
      {"a UTF-16 mark alone", "\xFF\xFE", ""},
      {"UTF-16 of an odd length",
       "\xFF\xFE"
       "a\0b"s,
       std::nullopt},
      {"UTF-16 ending in half a surrogate pair",
       "\xFF\xFE"
       "a\0\x3D\xD8"s,
       std::nullopt},
      {"UTF-16 high surrogate before a letter",
       "\xFF\xFE\x3D\xD8"
       "a\0"s,
       std::nullopt},
      {"UTF-16 low surrogate alone",
       "\xFF\xFE\x00\xDE"
       "a\0"s,
       std::nullopt},
      {"UTF-16 holding a NUL",
       "\xFF\xFE"
       "a\0\0\0b\0"s,
       std::nullopt},
      {"UTF-32 LE with its mark", "\xFF\xFE\0\0a\0\0\0"s, std::nullopt},
      {"UTF-16 LE without a mark", "a\0:\08\0"s, std::nullopt},
      {"a NUL byte in 8-bit text", "a\0b\r\n"s, std::nullopt},
      {"ANSI text in the system's code page", "pr\xF6xy:80\r\n", "pr\xC3\xB6xy:80\r\n"},
      {"an overlong UTF-8 form is ANSI", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
      {"a UTF-8 surrogate is ANSI", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
      {"a UTF-8 sequence cut short is ANSI", "a\xE3\x82", "a\xC3\xA3\xC2\x82"},
      {"a byte meaning nothing in the code page", "pr\xF6xy\x81", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(proxylist::DecodeText(c.bytes, platform::files::SystemCodePageToUtf8), c.text)
        << c.what;
}

}  // namespace
