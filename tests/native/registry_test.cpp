// The registry routines against an in-memory registry that records calls.
#include "registry/registry.h"

#include <gtest/gtest.h>

#include "fake_registry.h"

namespace {
using fake::FakeRegistry;
using fake::RegValue;
namespace reg = platform::reg;

constexpr const char* kKey = R"(Software\Maskfold Test)";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { FakeRegistry::Reset(); }
  FakeRegistry& fake() { return FakeRegistry::Get(); }
  std::string Read(const char* name = "v") {
    return registry::GetRegText(registry::kCurrentUser, kKey, name);
  }
  void Store(std::uint32_t type, std::vector<std::uint8_t> data) {
    fake().Put(reg::kCurrentUser, kKey, "v", RegValue{type, std::move(data)});
  }
};

std::vector<std::uint8_t> TextBytes(std::size_t length, bool with_nul) {
  std::vector<std::uint8_t> bytes(length, 'x');
  if (with_nul) bytes.push_back(0);
  return bytes;
}

TEST_F(RegistryTest, ReadsStoredDataAsText) {
  struct Case {
    const char* what;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::string expected;
  };
  const Case cases[] = {
      {"text with its NUL", 1, {'a', 'b', 0}, "ab"},
      {"empty text (the NUL alone)", 1, {0}, ""},
      {"zero data bytes", 1, {}, ""},
      {"text without NUL loses its last byte", 1, {'a', 'b', 'c'}, "ab"},
      {"expandable text is not expanded", 2, {'%', 'X', '%', 0}, "%X%"},
      {"binary data less its last byte", 3, {1, 2, 3}, std::string("\x01\x02", 2)},
      {"multi-string less its last NUL", 7, {'a', 0, 'b', 0, 0}, std::string("a\0b\0", 4)},
      {"2047 characters and NUL fill the buffer", 1, TextBytes(2047, true), std::string(2047, 'x')},
      {"one byte more is not found", 1, TextBytes(2048, true), "Not Found"},
      {"DWORD 0", 4, {0, 0, 0, 0}, "000"},
      {"DWORD 5", 4, {5, 0, 0, 0}, "005"},
      {"DWORD 42", 4, {42, 0, 0, 0}, "042"},
      {"DWORD 1000", 4, {0xE8, 0x03, 0, 0}, "1000"},
      {"DWORD 2^31 stays positive", 4, {0, 0, 0, 0x80}, "2147483648"},
      {"DWORD all bits set", 4, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
      {"DWORD of one byte", 4, {7}, "007"},
      {"DWORD of two bytes", 4, {0xE8, 0x03}, "1000"},
      {"DWORD of no bytes", 4, {}, "000"},
  };
  for (const auto& c : cases) {
    SetUp();
    Store(c.type, c.data);
    EXPECT_EQ(Read(), c.expected) << c.what;
  }
}

TEST_F(RegistryTest, EveryFailedReadIsNotFoundAndTheKeyIsStillClosed) {
  struct Case {
    const char* what;
    std::string path;
    std::string name;
    std::string refuse;
  };
  fake().PutText(reg::kCurrentUser, kKey, "v", "value");
  const Case cases[] = {
      {"missing key", R"(Software\Nowhere)", "v", ""},
      {"missing value", kKey, "other", ""},
      {"query refused", kKey, "v", "QueryValueEx"},
      {"open refused", kKey, "v", "OpenKey"},
  };
  for (const auto& c : cases) {
    fake().calls.clear();
    fake().refuse = c.refuse;
    EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, c.path, c.name), "Not Found") << c.what;
    EXPECT_EQ(fake().Count("CloseKey("), 1u) << c.what;
    EXPECT_TRUE(fake().open.empty()) << c.what;
  }
  fake().refuse.clear();
  fake().calls.clear();
  registry::GetRegText(registry::kCurrentUser, R"(Software\Nowhere)", "v");
  EXPECT_EQ(fake().calls.back(), "CloseKey(0)") << "a failed open closes the null handle";
}

TEST_F(RegistryTest, ReadOffersTheWholeBufferAndClosesWhatItOpened) {
  fake().PutText(reg::kCurrentUser, kKey, "v", "x");
  EXPECT_EQ(Read(), "x");
  ASSERT_EQ(fake().calls.size(), 3u);
  EXPECT_EQ(fake().calls[0], R"(OpenKey(HKCU\SOFTWARE\MASKFOLD TEST))");
  EXPECT_EQ(fake().calls[1], "QueryValueEx(256,v,2048)");
  EXPECT_EQ(fake().calls[2], "CloseKey(256)");
  EXPECT_TRUE(fake().open.empty());
}

TEST_F(RegistryTest, WritesTextAsRegSzForEveryTypeButFour) {
  for (std::int32_t type : {0, 1, 2, 3, 7, -1, 11}) {
    SetUp();
    registry::SetRegValue(registry::kCurrentUser, kKey, "v", type, "abc");
    auto value = fake().Value(reg::kCurrentUser, kKey, "v");
    ASSERT_TRUE(value) << type;
    EXPECT_EQ(*value, (RegValue{1, {'a', 'b', 'c', 0}})) << type;
  }
  registry::SetRegValue(registry::kCurrentUser, kKey, "empty", 1, "");
  EXPECT_EQ(*fake().Value(reg::kCurrentUser, kKey, "empty"), (RegValue{1, {0}}));
  EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, kKey, "empty"), "");
}

TEST_F(RegistryTest, WritesDwordsLeastSignificantByteFirst) {
  struct Case {
    const char* text;
    std::vector<std::uint8_t> bytes;
    const char* read_back;
  };
  const Case cases[] = {
      {"1", {1, 0, 0, 0}, "001"},        {"0", {0, 0, 0, 0}, "000"},
      {"1000", {0xE8, 3, 0, 0}, "1000"}, {"-1", {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
      {" 7 ", {7, 0, 0, 0}, "007"},
  };
  for (const auto& c : cases) {
    SetUp();
    registry::SetRegValue(registry::kCurrentUser, kKey, "d", 4, c.text);
    EXPECT_EQ(*fake().Value(reg::kCurrentUser, kKey, "d"), (RegValue{4, c.bytes})) << c.text;
    EXPECT_EQ(registry::GetRegText(registry::kCurrentUser, kKey, "d"), c.read_back) << c.text;
  }
}

TEST_F(RegistryTest, ANonNumberForTypeFourWritesNothingButStillFlushesAndCloses) {
  for (const char* text : {"", "yes", "1.5", "4294967296", "12abc"}) {
    SetUp();
    registry::SetRegValue(registry::kCurrentUser, kKey, "d", 4, text);
    EXPECT_FALSE(fake().Value(reg::kCurrentUser, kKey, "d")) << text;
    EXPECT_EQ(fake().Count("FlushKey("), 1u) << text;
    EXPECT_EQ(fake().Count("CloseKey("), 1u) << text;
  }
}

TEST_F(RegistryTest, WriteCreatesTheKeyFlushesAndCloses) {
  registry::SetRegValue(registry::kCurrentUser, R"(Software\A\B\C)", "v", 1, "t");
  EXPECT_TRUE(fake().HasKey(reg::kCurrentUser, R"(Software\A\B\C)"));
  const std::vector<std::string> expected = {R"(CreateKey(HKCU\SOFTWARE\A\B\C))",
                                             "SetValueEx(256,v,1,2)", "FlushKey(256)",
                                             "CloseKey(256)"};
  EXPECT_EQ(fake().calls, expected);
}

TEST_F(RegistryTest, EachWriteStepRunsWhateverTheOneBeforeDid) {
  fake().refuse = "CreateKey";
  registry::SetRegValue(registry::kCurrentUser, kKey, "v", 1, "t");
  const std::vector<std::string> expected = {R"(CreateKey(HKCU\SOFTWARE\MASKFOLD TEST))",
                                             "SetValueEx(0,v,1,2)", "FlushKey(0)", "CloseKey(0)"};
  EXPECT_EQ(fake().calls, expected);
}

TEST_F(RegistryTest, DeleteOpensTheRootWithFullAccessAndIgnoresRefusals) {
  fake().PutText(reg::kCurrentUser, R"(Software\Gone)", "v", "x");
  registry::DeleteRegKey(registry::kCurrentUser, R"(Software\Gone)");
  EXPECT_FALSE(fake().HasKey(reg::kCurrentUser, R"(Software\Gone)"));
  const std::vector<std::string> expected = {"OpenKeyEx(HKCU,0,983103)",
                                             R"(DeleteKey(256,Software\Gone))", "CloseKey(256)"};
  EXPECT_EQ(fake().calls, expected);

  // A missing key, and one with subkeys, stay as they are, unseen.
  fake().PutText(reg::kCurrentUser, R"(Software\Parent\Child)", "v", "x");
  registry::DeleteRegKey(registry::kCurrentUser, R"(Software\Missing)");
  registry::DeleteRegKey(registry::kCurrentUser, R"(Software\Parent)");
  EXPECT_TRUE(fake().HasKey(reg::kCurrentUser, R"(Software\Parent\Child)"));
  EXPECT_TRUE(fake().open.empty());
}

}  // namespace
