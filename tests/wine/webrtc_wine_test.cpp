// WebRTC kept to the proxy by the real program: Preferences and prefs.js
// written by the real browsers (Debian's Chromium 156 and Firefox ESR 153,
// tests/wine/data/webrtc), placed where the browsers keep them on Windows.
// Apply sets the two values; Exit, "--off" after a killed run, and the next
// start put every file back byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>

#include "browser_stores.h"
#include "driver.h"

namespace {

constexpr char kRecord[] = R"(Software\Maskfold WebRTC)";
constexpr char kFirefoxLine[] =
    "user_pref(\"media.peerconnection.ice.proxy_only_if_behind_proxy\", true);\n";

std::string Data(const char* name) {
  const char* folder = std::getenv("MASKFOLD_WEBRTC_DATA");
  if (!folder) throw std::runtime_error("MASKFOLD_WEBRTC_DATA is not set");
  return driver::ReadFileBytes(std::string(folder) + "/" + name);
}

class WebRtcWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driver::UseCookiesFolder();
    const std::string chrome = driver::LocalAppData() + R"(\Google\Chrome\User Data)";
    // A profile as Chromium left it, and one where the user chose a policy.
    const std::string fresh = Data("Preferences"), chosen = Data("Preferences.policy-set");
    ASSERT_FALSE(fresh.empty());
    for (const auto& [profile, text] :
         {std::pair{"Default", fresh}, std::pair{"Profile 1", chosen}}) {
      driver::MakeChromiumStore(chrome, profile, {});
      files_.push_back({chrome + "\\" + profile + "\\Preferences", text});
    }
    const std::string fox = driver::MakeFirefoxStore("x.default-release", {});
    files_.push_back({fox.substr(0, fox.rfind('\\')) + "\\prefs.js", Data("prefs.js")});
    for (const auto& file : files_) driver::WriteFileBytes(file.path, file.original);
  }

  // Apply's values in every file; that nothing else changed shows when each
  // comes back byte for byte.
  void ExpectKept() const {
    for (std::size_t i = 0; i < 2; ++i)
      EXPECT_TRUE(nlohmann::json::parse(driver::ReadFileBytes(
                      files_[i].path))["webrtc"]["ip_handling_policy"] == "disable_non_proxied_udp")
          << files_[i].path;
    EXPECT_NE(driver::ReadFileBytes(files_[2].path).find(kFirefoxLine), std::string::npos);
    EXPECT_TRUE(driver::KeyExists(HKEY_CURRENT_USER, kRecord));
  }

  void ExpectBack(const char* after) const {
    for (const auto& file : files_)
      EXPECT_TRUE(driver::ReadFileBytes(file.path) == file.original)
          << file.path << " not as it was after " << after;
    EXPECT_FALSE(driver::KeyExists(HKEY_CURRENT_USER, kRecord)) << after;
  }

  static std::unique_ptr<driver::Program> Applied(const std::string& folder) {
    auto program = std::make_unique<driver::Program>(folder);
    if (!program->WaitForMainWindow()) return nullptr;
    ::SendMessageA(program->ProxyBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("127.0.0.1:9999"));
    program->ApplyAndWait();
    return program;
  }

  struct File {
    std::string path, original;
  };
  std::vector<File> files_;
};

TEST_F(WebRtcWineTest, ApplySetsBothBrowsersAndExitPutsEveryFileBack) {
  const auto program = Applied(driver::InstallProgram("Maskfold WebRTC"));
  ASSERT_TRUE(program);
  ExpectKept();
  for (const auto& told : program->Dialogs())
    EXPECT_EQ(told.find("WebRTC"), std::string::npos) << told;
  program->Click("E&xit");
  ASSERT_TRUE(program->WaitForExit(10000));
  ExpectBack("Exit");
}

// Killed after Apply (no message reaches it, as with kill -9): "--off", or
// the next start, puts the files back.
TEST_F(WebRtcWineTest, AKilledRunsWebRtcSettingsComeBackWithOffOrTheNextStart) {
  const std::string folder = driver::InstallProgram("Maskfold WebRTC Killed");
  for (const bool by_command : {true, false}) {
    {
      const auto program = Applied(folder);
      ASSERT_TRUE(program);
      ::TerminateProcess(program->Process(), 9);
      ASSERT_TRUE(program->WaitForExit(10000));
    }
    ExpectKept();
    if (by_command) {
      EXPECT_EQ(driver::Run("\"" + folder + "\\maskfold.exe\" --off").exit_code, 0u);
    } else {
      driver::Program next(folder);
      ASSERT_TRUE(next.WaitForMainWindow());
    }
    ExpectBack(by_command ? "--off" : "the next start");
  }
}

// Chrome opened after Apply: Exit leaves its files as Maskfold set them and
// says so; the next start with Chrome closed puts them back without a word.
TEST_F(WebRtcWineTest, ABrowserOpenAtExitGetsItsSettingBackAtTheNextStart) {
  const std::string folder = driver::InstallProgram("Maskfold WebRTC Open");
  {
    const auto program = Applied(folder);
    ASSERT_TRUE(program);
    driver::OpenBrowser chrome("chrome.exe");
    ASSERT_TRUE(chrome.Running());
    program->Click("E&xit");
    ASSERT_TRUE(program->WaitForExit(15000));
    const auto dialogs = program->Dialogs();
    ASSERT_FALSE(dialogs.empty());
    EXPECT_NE(dialogs.back().find("WebRTC in Chrome still goes only through a proxy"),
              std::string::npos)
        << dialogs.back();
    EXPECT_TRUE(driver::ReadFileBytes(files_[2].path) == files_[2].original) << "Firefox is back";
    EXPECT_TRUE(driver::ReadFileBytes(files_[0].path) != files_[0].original) << "Chrome is not";
  }
  driver::Program next(folder);
  ASSERT_TRUE(next.WaitForMainWindow());
  EXPECT_TRUE(next.Dialogs().empty());
  ExpectBack("the next start with Chrome closed");
}

}  // namespace
