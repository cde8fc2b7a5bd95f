// The protected sites: the jar's file read and written, the legacy jar
// cookies' sites, and moving a site between the two lists.
#include "browsers/protected_sites.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "browsers/site_lists.h"
#include "fake_platform.h"

namespace {
using namespace std::string_literals;
using fake::FakeSystem;
using Sites = std::vector<std::string>;
constexpr const char* kFolder = R"(C:\Cookies)";
constexpr const char* kFile = R"(C:\Cookies\Jar\Protected sites.lst)";

std::map<std::string, std::string>& Files() { return FakeSystem::Get().files; }

// The jar's legacy cookie files, and other files beside them.
void PutJarFiles(const Sites& names) {
  for (const auto& name : names) Files()[std::string(R"(C:\Cookies\Jar\)") + name] = "cookie";
}

class ProtectedSitesTest : public ::testing::Test {
 protected:
  void SetUp() override { FakeSystem::Reset(); }
};

TEST_F(ProtectedSitesTest, TheFileAndTheJarCookiesGiveTheSites) {
  struct Case {
    std::optional<std::string> file;  // none: no file
    Sites jar_files;
    Sites from_file, from_jar, all;
  };
  const Case cases[] = {
      {std::nullopt, {}, {}, {}, {}},
      {"\xEF\xBB\xBFwww.Example.com\r\n\r\n  .example.org \nexample.org\nb.example",
       {},
       {"b.example", "example.org", "www.example.com"},
       {},
       {"b.example", "example.org", "www.example.com"}},
      // Notepad's "Unicode": UTF-16 with its mark; a trailing dot or a
      // wildcard still name the site.
      {"\xFF\xFEk\0e\0e\0p\0.\0e\0x\0a\0m\0p\0l\0e\0.\0\r\0\n\0*\0.\0w\0.\0t\0e\0s\0t\0"s,
       {},
       {"keep.example", "w.test"},
       {},
       {"keep.example", "w.test"}},
      {"\xFE\xFF\0a\0.\0t\0e\0s\0t"s, {}, {"a.test"}, {}, {"a.test"}},
      {"zeta.example",
       {"user@Alpha.Example[1].txt", "user@alpha.example[2].TXT", "x@zeta.example[1].txt",
        "nosite[1].txt", "user@[1].txt", "user@nobracket.txt", "user@dat.example[1].dat",
        "notes.dat"},
       {"zeta.example"},
       {"alpha.example", "zeta.example"},
       {"alpha.example", "zeta.example"}},
  };
  for (const Case& c : cases) {
    FakeSystem::Reset();
    if (c.file) Files()[kFile] = *c.file;
    PutJarFiles(c.jar_files);
    const std::string where = c.file.value_or("<no file>");
    EXPECT_EQ(browsers::ReadProtectedSites(fake::Guarded(kFolder)), c.from_file) << where;
    EXPECT_EQ(browsers::JarCookieSites(fake::Guarded(kFolder)), c.from_jar) << where;
    EXPECT_EQ(browsers::AllProtectedSites(fake::Guarded(kFolder)), c.all) << where;
  }
  // A file that is there but cannot be read, or read as text, is not an
  // empty one: UTF-16 without its mark, or with half a character.
  for (const std::string& bytes : {"k\0e\0e\0p\0"s, "\xFF\xFEk\0e"s}) {
    FakeSystem::Reset();
    Files()[kFile] = bytes;
    EXPECT_THROW(browsers::ReadProtectedSites(fake::Guarded(kFolder)), std::runtime_error);
  }
  Files()[kFile] = "example.com";
  FakeSystem::Get().unreadable.insert(kFile);
  EXPECT_THROW(browsers::ReadProtectedSites(fake::Guarded(kFolder)), std::runtime_error);
}

TEST_F(ProtectedSitesTest, MovesWriteTheWholeFileOrChangeNothing) {
  enum Move { kProtect, kUnprotect };
  struct Case {
    const char* name;
    Move move;
    const char* site;
    const char* file_before;        // nullptr: no file
    const char* file_after;         // nullptr: no file
    const char* message = nullptr;  // a part of it; nullptr: none
    Sites jar_files = {};
    bool unwritable = false, unreadable = false;
  };
  const Case cases[] = {
      {"first site", kProtect, "WWW.Example.com", nullptr, "www.example.com\r\n"},
      {"sorted in", kProtect, "b.example", "c.example\r\na.example\r\n",
       "a.example\r\nb.example\r\nc.example\r\n"},
      {"already there", kProtect, "a.example", "a.example\n", "a.example\n"},
      {"unwritable",
       kProtect,
       "b.example",
       "a.example\n",
       "a.example\n",
       "could not be saved",
       {},
       true},
      {"unreadable",
       kProtect,
       "b.example",
       "a.example\n",
       "a.example\n",
       "could not be read",
       {},
       false,
       true},
      {"taken out", kUnprotect, "b.example", "a.example\nb.example\n", "a.example\r\n"},
      {"the last one", kUnprotect, "a.example", "a.example\n", ""},
      {"not in the file", kUnprotect, "z.example", "a.example\n", "a.example\n"},
      {"a jar cookie's",
       kUnprotect,
       "alpha.example",
       "alpha.example\n",
       "alpha.example\n",
       "protected by a cookie in the Cookie Manager's",
       {"user@alpha.example[1].txt"}},
  };
  for (const Case& c : cases) {
    FakeSystem::Reset();
    if (c.file_before) Files()[kFile] = c.file_before;
    PutJarFiles(c.jar_files);
    if (c.unwritable) FakeSystem::Get().unwritable.insert(kFile);
    if (c.unreadable) FakeSystem::Get().unreadable.insert(kFile);
    const auto message = c.move == kProtect
                             ? browsers::ProtectSite(fake::Guarded(kFolder), c.site)
                             : browsers::UnprotectSite(fake::Guarded(kFolder), c.site);
    if (c.message) {
      ASSERT_TRUE(message) << c.name;
      EXPECT_NE(message->find(c.message), std::string::npos) << c.name << ": " << *message;
    } else {
      EXPECT_FALSE(message) << c.name << ": " << *message;
    }
    if (c.file_after)
      EXPECT_EQ(Files()[kFile], c.file_after) << c.name;
    else
      EXPECT_FALSE(Files().count(kFile)) << c.name;
  }
}

TEST_F(ProtectedSitesTest, TheLeftListLeavesOutWhatAProtectedSiteKeeps) {
  const std::vector<browsers::Site> found = {
      {"badexample.com", {"Chrome"}},        {"example.com", {"Chrome", "Firefox"}},
      {"news.example.org", {"Firefox"}},     {"www.example.com", {"Edge"}},
      {"xn--bcher-kva.example", {"Chrome"}},
  };
  const auto listed = browsers::UnprotectedSites(found, {"example.com", "xn--bcher-kva.example"});
  std::vector<std::string> texts, sites;
  for (const auto& entry : listed) {
    texts.push_back(entry.text);
    sites.push_back(entry.site);
  }
  EXPECT_EQ(texts, (Sites{"badexample.com (Chrome)", "news.example.org (Firefox)"}));
  EXPECT_EQ(sites, (Sites{"badexample.com", "news.example.org"}));
  EXPECT_EQ(browsers::UnprotectedSites(found, {}).at(1).text, "example.com (Chrome, Firefox)");
}

}  // namespace
