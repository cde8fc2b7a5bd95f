// WebRTC kept to the proxy: the two files' texts, the record, and the
// put-back, which leaves every file as it was.
#include "browsers/webrtc.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "browsers/webrtc_prefs.h"
#include "fake_main_window.h"
#include "fake_platform.h"
#include "fake_registry.h"
#include "fake_urlcache.h"
#include "platform/files.h"

namespace {
using browsers::PrefsFormat;
using browsers::WebRtcSetting;
using fake::FakeRegistry;
using fake::FakeSystem;
using Kind = WebRtcSetting::Kind;
namespace files = platform::files;

constexpr PrefsFormat kJson = PrefsFormat::kPreferences, kJs = PrefsFormat::kPrefsJs;
constexpr char kLine[] = R"(user_pref("media.peerconnection.ice.proxy_only_if_behind_proxy", )";

// Kept, then put back: every file comes back byte for byte, but for the
// Preferences laid out by another hand, which keeps its values.
TEST(WebRtcPrefsTest, EachFileGetsItsValueAndComesBackAsItWas) {
  const struct {
    PrefsFormat format;
    std::string text;
    WebRtcSetting earlier;
    bool same_bytes = true;
  } cases[] = {
      {kJson,
       R"({"browser":{"x":1},"webrtc":{"multiple_routes_enabled":false},"zoom":1.5})",
       {Kind::kAbsent, {}}},
      {kJson,
       R"({"webrtc":{"udp_port_range":"1-2","ip_handling_policy":"default"}})",
       {Kind::kValue, R"("default")"}},
      // Forms the library would write otherwise: <, an upper-case escape, a
      // double with ".0", a large exponent, raw UTF-8.
      {kJson,
       R"({"a":{"b":[1,{"c":"\u003C\u00E9\"\\\u2028 Zoë"}]},"f":13.0,"n":1e+20,"w":"webrtc"})",
       {Kind::kAbsentWithItsObject, {}}},
      {kJson, "\xEF\xBB\xBF {}", {Kind::kAbsentWithItsObject, {}}},
      {kJson, R"({"webrtc":{}})", {Kind::kAbsent, {}}},
      {kJson,
       "{\n  \"webrtc\": {\n    \"ip_handling_policy\": \"default\"\n  },\n  \"x\": [ 1 ]\n}\n",
       {Kind::kValue, R"("default")"},
       false},
      {kJs, "// Mozilla User Preferences\n\nuser_pref(\"a\", 1);\n", {Kind::kAbsent, {}}},
      {kJs, "// Mozilla\r\n\r\nuser_pref(\"a\", 1);\r\n", {Kind::kAbsent, {}}},
      {kJs, "user_pref(\"a\", 1);", {Kind::kAbsent, {}}},
      {kJs, "", {Kind::kAbsent, {}}},
      {kJs,
       "user_pref(\"a\", 1);\n" + std::string(kLine) + "false);\nuser_pref(\"z\", \"\");\n",
       {Kind::kValue, "false"}},
      {kJs,
       " user_pref ( \"media.peerconnection.ice.proxy_only_if_behind_proxy\" ,  false ) ;\r",
       {Kind::kValue, "false"}},
      // The last line is the one Firefox goes by.
      {kJs, std::string(kLine) + "false);\n" + kLine + "0);\n", {Kind::kValue, "0"}},
      // Not the pref: another's value, a longer name.
      {kJs,
       "user_pref(\"x\", \"media.peerconnection.ice.proxy_only_if_behind_proxy\");\n"
       "user_pref(\"media.peerconnection.ice.proxy_only_if_behind_proxy2\", false);\n",
       {Kind::kAbsent, {}}},
  };
  for (const auto& c : cases) {
    const WebRtcSetting ours = browsers::KeptToProxy(c.format);
    EXPECT_EQ(browsers::SettingIn(c.format, c.text), c.earlier) << c.text;
    const auto kept = browsers::WithSetting(c.format, c.text, ours);
    ASSERT_TRUE(kept) << c.text;
    EXPECT_EQ(browsers::SettingIn(c.format, *kept), ours) << *kept;
    EXPECT_EQ(browsers::WithSetting(c.format, *kept, ours), *kept) << "kept twice";
    const auto back = browsers::WithSetting(c.format, *kept, c.earlier);
    ASSERT_TRUE(back) << *kept;
    if (c.same_bytes)
      EXPECT_EQ(*back, c.text) << *kept;
    else
      EXPECT_EQ(nlohmann::json::parse(*back).dump(), nlohmann::json::parse(c.text).dump());
  }
}

TEST(WebRtcPrefsTest, APreferencesThatIsNoJsonObjectIsNeverRewritten) {
  const std::string deep = std::string(300, '[') + std::string(300, ']');
  for (const std::string text : {"", "not json", "[1,2]", R"({"webrtc":"x"})", R"({"a":)",
                                 "{\"a\":\"\xFF\"}", R"({"a":1} trailing)", deep.c_str()}) {
    EXPECT_FALSE(browsers::SettingIn(kJson, text)) << text;
    EXPECT_FALSE(browsers::WithSetting(kJson, text, browsers::KeptToProxy(kJson))) << text;
  }
}

// Profiles of several browsers in the fake file system, and the record.
class WebRtcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeSystem::Reset();
    FakeRegistry::Reset();
    fake::FakeUi::Reset();
    fake::FakeUrlCache::Reset();
    auto& system = FakeSystem::Get();
    const std::string local = system.local_app_data;
    chrome_ = Profile(local + R"(\Google\Chrome\User Data\Default)", R"(Network\Cookies)",
                      R"({"profile":{"name":"Person 1"},"webrtc":{"udp_port_range":"0-0"}})");
    chrome_old_ = Profile(local + R"(\Google\Chrome\User Data\Profile 1)", "Cookies",
                          R"({"webrtc":{"ip_handling_policy":"default"}})");
    edge_ = Profile(local + R"(\Microsoft\Edge\User Data\Default)", R"(Network\Cookies)",
                    R"({"webrtc":)");
    brave_ = Profile(local + R"(\BraveSoftware\Brave-Browser\User Data\Default)",
                     R"(Network\Cookies)", "{}");
    system.attributes[brave_] |= files::kAttributeReparsePoint;
    vivaldi_ = Profile(local + R"(\Vivaldi\User Data\Default)", "Cookies", "{}");
    // Its browser has not saved its settings yet: nothing to keep.
    Profile(local + R"(\Chromium\User Data\Default)", "Cookies", "");
    system.files.erase(local + R"(\Chromium\User Data\Default\Preferences)");
    system.attributes.erase(local + R"(\Chromium\User Data\Default\Preferences)");
    const std::string fox = system.roaming_app_data + R"(\Mozilla\Firefox)";
    system.files[fox + R"(\profiles.ini)"] = "[Profile0]\nPath=Profiles/a.default\n";
    firefox_ = Profile(fox + R"(\Profiles\a.default)", "cookies.sqlite",
                       "// Mozilla User Preferences\r\nuser_pref(\"a\", 1);\r\n", "prefs.js");
    for (const auto& [path, text] : system.files) before_[path] = text;
  }

  // A profile folder (and every folder above it) with its cookies database
  // and its settings file; returns that file's path.
  std::string Profile(const std::string& folder, const std::string& database,
                      const std::string& text, const std::string& name = "Preferences") {
    auto& system = FakeSystem::Get();
    for (auto at = folder.find('\\', 3); at != std::string::npos; at = folder.find('\\', at + 1))
      system.attributes.try_emplace(folder.substr(0, at), files::kAttributeDirectory);
    system.attributes[folder] = files::kAttributeDirectory;
    if (database.find('\\') != std::string::npos)
      system.attributes[folder + R"(\Network)"] = files::kAttributeDirectory;
    system.attributes[folder + "\\" + database] = files::kAttributeNormal;
    system.attributes[folder + "\\" + name] = files::kAttributeNormal;
    system.files[folder + "\\" + name] = text;
    return folder + "\\" + name;
  }

  static browsers::WebRtcReport Keep() {
    return browsers::KeepWebRtcToProxy(browsers::FindStores(browsers::ShellUserFolders()));
  }
  static bool HasRecord() {
    return FakeRegistry::Get().HasKey(platform::reg::kCurrentUser, R"(Software\Maskfold WebRTC)");
  }
  std::vector<std::string> Changed() const {
    std::vector<std::string> changed;
    for (const auto& [path, text] : FakeSystem::Get().files)
      if (!before_.count(path) || before_.at(path) != text) changed.push_back(path);
    return changed;
  }

  std::string chrome_, chrome_old_, edge_, brave_, vivaldi_, firefox_;
  std::map<std::string, std::string> before_;
};

TEST_F(WebRtcTest, KeepsTheClosedBrowsersAndPutsEveryFileBackOnceItsBrowserIsClosed) {
  FakeSystem::Get().running_programs = {"VIVALDI.EXE"};
  const auto kept = Keep();
  EXPECT_EQ(kept.left_open, std::vector<std::string>{"Vivaldi"});
  ASSERT_EQ(kept.not_changed.size(), 2u);
  EXPECT_EQ(kept.not_changed[0].file, edge_);
  EXPECT_EQ(kept.not_changed[0].why, "it is not a JSON object, as the browser writes it");
  EXPECT_EQ(kept.not_changed[1].file, brave_);
  EXPECT_EQ(kept.not_changed[1].why, "it is a link to another place");
  EXPECT_NE(kept.KeptMessage()->find("WebRTC in Vivaldi was not kept to the proxy because it is "
                                     "open"),
            std::string::npos);
  EXPECT_EQ(Changed(), (std::vector<std::string>{chrome_, chrome_old_, firefox_}));
  for (const auto& file : Changed())
    EXPECT_EQ(browsers::SettingIn(file.ends_with("prefs.js") ? kJs : kJson,
                                  FakeSystem::Get().files[file]),
              browsers::KeptToProxy(file.ends_with("prefs.js") ? kJs : kJson));

  // A second Apply records nothing anew: the user's values stay the record's.
  const auto record = FakeRegistry::Get().keys;
  Keep();
  EXPECT_EQ(FakeRegistry::Get().keys, record);

  // An open browser keeps its record until it is closed.
  FakeSystem::Get().running_programs = {"chrome.exe"};
  const auto first = browsers::PutBackWebRtc();
  EXPECT_EQ(first.left_open, std::vector<std::string>{"Chrome"});
  EXPECT_NE(first.PutBackMessage()->find("WebRTC in Chrome still goes only through a proxy"),
            std::string::npos);
  EXPECT_EQ(Changed(), (std::vector<std::string>{chrome_, chrome_old_}));
  FakeSystem::Get().running_programs.clear();
  EXPECT_FALSE(browsers::PutBackWebRtc().PutBackMessage());
  EXPECT_TRUE(Changed().empty());
  EXPECT_FALSE(HasRecord());
}

// A run that ended between the record and the file, a file someone changed
// since, a record that cannot be written: no file gets a value it did not
// hold, and no entry outlives its file.
TEST_F(WebRtcTest, TheRecordNeverPutsBackWhatTheFileNoLongerHolds) {
  auto& system = FakeSystem::Get();
  system.unwritable = {firefox_};
  const auto kept = Keep();
  ASSERT_EQ(kept.not_changed.size(), 3u);
  EXPECT_EQ(kept.not_changed[2].file, firefox_);
  EXPECT_EQ(kept.not_changed[2].why, "it could not be written");
  // Tried again, the file's entry stays the first one.
  const auto record = FakeRegistry::Get().keys;
  Keep();
  EXPECT_EQ(FakeRegistry::Get().keys, record);
  system.unwritable.clear();
  system.files[chrome_] =
      R"({"webrtc":{"ip_handling_policy":"default_public_and_private_interfaces"}})";
  const std::string changed_by_user = system.files[chrome_];
  EXPECT_FALSE(browsers::PutBackWebRtc().PutBackMessage());
  EXPECT_EQ(system.files[chrome_], changed_by_user);
  EXPECT_EQ(system.files[chrome_old_], before_[chrome_old_]);
  EXPECT_EQ(system.files[firefox_], before_[firefox_]);
  EXPECT_FALSE(HasRecord());

  FakeRegistry::Get().refuse = "SetValueEx";
  const auto unrecorded = Keep();
  EXPECT_EQ(unrecorded.not_changed.size(), 6u);
  EXPECT_EQ(unrecorded.not_changed.back().why,
            "Maskfold's record of its earlier setting could not be written");
  EXPECT_EQ(system.files[chrome_old_], before_[chrome_old_]);
}

// Apply keeps WebRTC once its proxy is on, and names an open browser in its
// last message; a proxy that is refused changes nothing.
TEST_F(WebRtcTest, ApplyKeepsWebRtcOnceTheProxyIsOn) {
  FakeSystem::Get().running_programs = {"firefox.exe"};
  fake::FakeMainWindow window;
  window.proxy = "https=h:443";
  window.Apply();
  EXPECT_TRUE(Changed().empty());
  fake::FakeUi::Reset();
  window.proxy = "p:1";
  window.Apply();
  EXPECT_EQ(Changed(), (std::vector<std::string>{chrome_, chrome_old_, vivaldi_}));
  ASSERT_FALSE(fake::FakeUi::Get().calls.empty());
  EXPECT_NE(fake::FakeUi::Get().calls.back().find("WebRTC in Firefox was not kept to the proxy"),
            std::string::npos)
      << fake::FakeUi::Get().calls.back();
}

}  // namespace
