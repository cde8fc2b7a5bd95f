// The registry routines against the real registry of a throwaway Wine prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include "registry/registry.h"

namespace {
constexpr const char* kKey = R"(Software\Maskfold Tests\Round Trip)";
constexpr const char* kParent = R"(Software\Maskfold Tests)";

class RealRegistryTest : public ::testing::Test {
 protected:
  void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kParent); }

  // What the platform itself holds, read without the routines.
  static bool RawValue(const char* name, DWORD* type, std::string* data) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG status = ::RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    data->resize(size);
    if (status == ERROR_SUCCESS)
      status = ::RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data->data()),
                                  &size);
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }
  static void RawSet(const char* name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                nullptr),
              0);
    ::RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
  }
};

TEST_F(RealRegistryTest, TextRoundTripsUpToTheBufferSize) {
  const std::string texts[] = {"", "127.0.0.1:8080", "Not Set", "with spaces and \xE9 accents",
                               std::string(2047, 'x')};
  for (const auto& text : texts) {
    registry::SetRegValue(registry::kCurrentUser, kKey, "Text", 1, text);
    EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, kKey, "Text"), text) << text.size();
    DWORD type = 0;
    std::string raw;
    ASSERT_TRUE(RawValue("Text", &type, &raw));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw, text + '\0');
  }
  registry::SetRegValue(registry::kCurrentUser, kKey, "Text", 1, std::string(2048, 'x'));
  EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, kKey, "Text"), "Not Found");
}

TEST_F(RealRegistryTest, DwordsAreWrittenAsFourBytesAndReadAsThreeDigits) {
  const struct {
    const char* text;
    const char* read_back;
  } cases[] = {{"1", "001"}, {"0", "000"}, {"1000", "1000"}, {"-1", "4294967295"}};
  for (const auto& c : cases) {
    registry::SetRegValue(registry::kCurrentUser, kKey, "Number", 4, c.text);
    DWORD type = 0;
    std::string raw;
    ASSERT_TRUE(RawValue("Number", &type, &raw)) << c.text;
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << c.text;
    EXPECT_EQ(raw.size(), 4u) << c.text;
    EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, kKey, "Number"), c.read_back);
  }
}

TEST_F(RealRegistryTest, OtherTypesComeBackLessTheirLastByte) {
  // Binary data: the ANSI query adds a NUL to string data stored without one,
  // so only non-string data shows the dropped byte here.
  RawSet("NoNul", REG_BINARY, "abc");
  RawSet("Empty", REG_BINARY, "");
  RawSet("Expand", REG_EXPAND_SZ, std::string("%TEMP%\0", 7));
  EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, kKey, "NoNul"), "ab");
  EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, kKey, "Empty"), "");
  EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, kKey, "Expand"), "%TEMP%");
}

TEST_F(RealRegistryTest, MissingKeysAndValuesReadAsNotFound) {
  EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, R"(Software\Maskfold Tests\None)", "v"),
            "Not Found");
  registry::SetRegValue(registry::kCurrentUser, kKey, "Here", 1, "x");
  EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, kKey, "Missing"), "Not Found");
  EXPECT_EQ(registry::GetRegText(registry::kLocalMachine, R"(Software\Maskfold Tests\None)", "v"),
            "Not Found");
}

TEST_F(RealRegistryTest, DeleteRemovesALeafKeyAndLeavesTheRestAlone) {
  registry::DeleteRegKey(registry::kCurrentUser, R"(Software\Maskfold Tests\Never There)");
  registry::SetRegValue(registry::kCurrentUser, kKey, "v", 1, "x");
  registry::DeleteRegKey(registry::kCurrentUser, kParent);  // has a subkey: refused, unseen
  EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, kKey, "v"), "x");
  registry::DeleteRegKey(registry::kCurrentUser, kKey);
  EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, kKey, "v"), "Not Found");
  HKEY key = nullptr;
  EXPECT_NE(::RegOpenKeyA(HKEY_CURRENT_USER, kKey, &key), ERROR_SUCCESS);
}

}  // namespace
