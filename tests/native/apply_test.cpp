// Apply's registry steps and Exit.
#include "wipe/apply.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fake_main_window.h"
#include "fake_platform.h"
#include "fake_registry.h"
#include "fake_urlcache.h"
#include "platform/files.h"
#include "platform/process.h"
#include "wipe/status_line.h"

namespace {
using fake::FakeRegistry;
using fake::FakeSystem;
using fake::RegValue;
namespace reg = platform::reg;
constexpr const char* kSettings = R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)";
constexpr const char* kTyped = R"(Software\Microsoft\Internet Explorer\TypedURLs)";

using Window = fake::FakeMainWindow;

class ApplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeRegistry::Reset();
    FakeSystem::Reset();
    fake::FakeUrlCache::Reset();
    fake::FakeUi::Reset();
  }
  std::optional<RegValue> Stored(const char* name) {
    return FakeRegistry::Get().Value(reg::kCurrentUser, kSettings, name);
  }
  static RegValue Text(const std::string& t) {
    RegValue v{1, {t.begin(), t.end()}};
    v.data.push_back(0);
    return v;
  }
};

// A proxy is switched on as the registry holds it, without blanks or a
// byte-order mark; a text that would leave pages unproxied changes and
// deletes nothing, and one message says why.
TEST_F(ApplyTest, SwitchesTheProxyOnOrRefusesTextThatLeavesPagesUnproxied) {
  const struct {
    const char* typed;
    const char* proxy;  // nullptr: refused, for the reason below
    const char* why = "";
  } cases[] = {{"127.0.0.1:8080", "127.0.0.1:8080"},
               {"\xEF\xBB\xBF  p:1 \t", "p:1"},
               {"https=h:443;http=h:80", "https=h:443;http=h:80"},
               {"", nullptr, "is empty"},
               {"https=h:443", nullptr, "names no proxy for http"},
               {"user:secret@h:8080", nullptr, "cannot carry a password"}};
  for (const auto& c : cases) {
    SetUp();
    FakeRegistry::Get().PutText(reg::kCurrentUser, kTyped, "url1", "http://old.example/");
    Window window;
    window.proxy = c.typed;
    window.Apply();
    EXPECT_EQ(FakeRegistry::Get().HasKey(reg::kCurrentUser, kTyped), !c.proxy) << c.typed;
    if (!c.proxy) {
      EXPECT_FALSE(Stored("ProxyServer")) << c.typed;
      EXPECT_TRUE(FakeSystem::Get().file_operations.empty());
      ASSERT_EQ(fake::FakeUi::Get().calls.size(), 1u) << c.typed;
      EXPECT_NE(fake::FakeUi::Get().calls[0].find(c.why), std::string::npos)
          << fake::FakeUi::Get().calls[0];
      continue;
    }
    EXPECT_EQ(Stored("ProxyEnable"), (RegValue{4, {1, 0, 0, 0}})) << c.proxy;
    EXPECT_EQ(Stored("ProxyServer"), Text(c.proxy)) << c.proxy;
    EXPECT_EQ(window.tooltip, c.proxy);
    EXPECT_EQ(window.proxy, c.proxy);
    EXPECT_EQ(FakeSystem::Get().connections[""].proxy, c.proxy);
  }
}

TEST_F(ApplyTest, SwitchesBeforeTheWipeAndTellsWinInetAfterwards) {
  Window window;
  window.proxy = "p:1";
  window.Apply();
  const auto& calls = FakeRegistry::Get().calls;
  const auto index = [&](const std::string& prefix) {
    return std::find_if(calls.begin(), calls.end(),
                        [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }) -
           calls.begin();
  };
  EXPECT_LT(index("SetValueEx"), index("DeleteKey"));
  EXPECT_EQ(FakeSystem::Get().calls,
            (std::vector<std::string>{"SetConnection(|3|p:1)", "NotifySettingsChanged"}));
}

TEST_F(ApplyTest, AProxyTooLongToReadBackIsNotClaimedAndNothingIsDeleted) {
  FakeRegistry::Get().PutText(reg::kCurrentUser, kTyped, "url1", "http://old.example/");
  Window window;
  // Longer than a read can take.
  window.proxy = "http=p:1;https=p:1";
  while (window.proxy.size() < 3000) window.proxy += ";ftp=p:1";
  window.Apply();
  EXPECT_EQ(window.tooltip, "Not Set");
  EXPECT_TRUE(FakeRegistry::Get().HasKey(reg::kCurrentUser, kTyped));
  ASSERT_EQ(fake::FakeUi::Get().calls.size(), 1u);
  EXPECT_NE(fake::FakeUi::Get().calls[0].find("Nothing was deleted"), std::string::npos);
}

// What the program's end does to the proxy, after any number of Applies.
TEST_F(ApplyTest, TheEndTurnsTheProxyOffWhateverApplyWrote) {
  Window window;
  window.proxy = "p:1";
  window.Apply();
  window.Apply();
  EXPECT_TRUE(proxyswitch::SwitchOff());
  EXPECT_EQ(Stored("ProxyEnable"), (RegValue{4, {0, 0, 0, 0}}));
  EXPECT_EQ(Stored("ProxyServer"), Text("Not Set"));
  EXPECT_EQ(FakeSystem::Get().connections[""].flags, 1u);
  for (const auto& shown : fake::FakeUi::Get().calls)
    EXPECT_EQ(shown.find("turn its proxy off"), std::string::npos) << shown;
}

TEST_F(ApplyTest, TheEndSaysHowToTurnTheProxyOffWhenTheRegistryRefusesEveryCall) {
  FakeRegistry::Get().refuse = "C";  // CreateKey and CloseKey refused
  const proxyswitch::Outcome off = proxyswitch::SwitchOff();
  EXPECT_FALSE(Stored("ProxyEnable"));
  ASSERT_FALSE(off);
  EXPECT_NE(off.Why()->text.find("To turn it off by hand"), std::string::npos);
}

}  // namespace

namespace {

// A Chrome profile with a cookies store, Chrome running or not.
void ChromeProfile(bool running) {
  auto& system = FakeSystem::Get();
  const std::string chrome = system.local_app_data + R"(\Google\Chrome\User Data)";
  for (const char* path : {"", "\\Default", "\\Default\\Network"})
    system.attributes[chrome + path] = platform::files::kAttributeDirectory;
  system.attributes[chrome + R"(\Default\Network\Cookies)"] = platform::files::kAttributeNormal;
  if (running) system.running_programs = {"chrome.exe"};
}

routecheck::RouteReport Failing(const char* scheme_failing, const char* problem) {
  routecheck::RouteReport report = Window::Working();
  auto& failed = std::string_view(scheme_failing) == "http" ? report.http : report.https;
  failed.works = false;
  failed.problem = problem;
  return report;
}

}  // namespace

// A route that does not carry pages is the user's to take back before
// anything is deleted: Go Back leaves the settings as they were and no
// record; Keep It goes on with Apply.
TEST_F(ApplyTest, AFailingRouteIsAskedAboutBeforeAnythingIsDeleted) {
  for (const bool go_back : {true, false}) {
    SetUp();
    FakeRegistry::Get().PutText(reg::kCurrentUser, kTyped, "url1", "http://old.example/");
    Window window;
    window.proxy = "127.0.0.1:3128";
    window.route = Failing("https", "refused the tunnel (HTTP 403)");
    window.answers = {go_back ? "Go Back" : "Keep It"};
    FakeSystem::Get().attributes[R"(C:\Cookies)"] = platform::files::kAttributeDirectory;
    FakeSystem::Get().files[R"(C:\Cookies\a.txt)"] = "x";
    window.Apply();
    ASSERT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(window.questions[0].choices, (std::vector<std::string>{"Go Back", "Keep It"}));
    EXPECT_NE(window.questions[0].text.find("Nothing has been deleted yet"), std::string::npos);
    EXPECT_NE(window.questions[0].text.find("your own settings"), std::string::npos);
    EXPECT_EQ(window.ended, 1);
    EXPECT_EQ(FakeRegistry::Get().HasKey(reg::kCurrentUser, kTyped), go_back);
    EXPECT_EQ(FakeSystem::Get().file_operations.empty(), go_back);
    ASSERT_GE(window.status.size(), 2u);
    EXPECT_EQ(window.status[0], "Checking the route through 127.0.0.1:3128...");
    EXPECT_NE(window.status[1].find("https pages do not load"), std::string::npos)
        << window.status[1];
    if (go_back) {
      EXPECT_EQ(Stored("ProxyEnable"), (RegValue{4, {0, 0, 0, 0}}));
      EXPECT_FALSE(FakeRegistry::Get().HasKey(reg::kCurrentUser, R"(Software\Maskfold)"));
      EXPECT_EQ(window.status.back(), "Your own settings: no Maskfold proxy");
      EXPECT_EQ(window.proxy, "Not Set");
      ASSERT_EQ(fake::FakeUi::Get().calls.size(), 1u);
      EXPECT_NE(fake::FakeUi::Get().calls[0].find("Nothing was deleted"), std::string::npos);
    } else {
      EXPECT_EQ(Stored("ProxyServer"), Text("127.0.0.1:3128"));
      EXPECT_NE(window.status.back().find("https pages do not load\nCleared 1 cookie file;"),
                std::string::npos)
          << window.status.back();
    }
  }
}

// Going back after a second Apply puts the first Apply's proxy back, with its
// record, and the line no longer claims a check.
TEST_F(ApplyTest, GoingBackAfterASecondApplyKeepsTheFirstProxy) {
  Window window;
  window.proxy = "a:1";
  window.Apply();
  window.proxy = "b:2";
  window.route = Failing("http", "timed out");
  window.answers = {"Go Back"};
  window.Apply();
  ASSERT_EQ(window.questions.size(), 1u);
  EXPECT_NE(window.questions[0].text.find("Maskfold's earlier proxy a:1"), std::string::npos)
      << window.questions[0].text;
  EXPECT_EQ(Stored("ProxyServer"), Text("a:1"));
  EXPECT_EQ(window.proxy, "a:1");
  EXPECT_EQ(window.status.back(), "Through a:1: not checked");
  EXPECT_EQ(wipe::StatusAtStart(), "Through a:1: not checked");
}

// An open browser is asked about before the proxy is switched: Retry asks
// again, Cancel changes nothing, Continue switches and wipes the rest.
TEST_F(ApplyTest, OpenBrowsersAreAskedAboutBeforeTheSwitch) {
  const struct {
    std::deque<std::string> answers;
    std::size_t questions;
    bool switched;
  } cases[] = {{{"Cancel"}, 1, false}, {{"Retry", "Cancel"}, 2, false}, {{"Continue"}, 1, true}};
  for (const auto& c : cases) {
    SetUp();
    ChromeProfile(true);
    FakeRegistry::Get().PutText(reg::kCurrentUser, kTyped, "url1", "http://old.example/");
    Window window;
    window.answers = c.answers;
    window.Apply();
    ASSERT_EQ(window.questions.size(), c.questions) << c.answers.front();
    EXPECT_EQ(window.questions[0].choices,
              (std::vector<std::string>{"Retry", "Continue", "Cancel"}));
    EXPECT_EQ(window.questions[0].text.rfind("Chrome is open.", 0), 0u) << window.questions[0].text;
    EXPECT_EQ(Stored("ProxyServer").has_value(), c.switched);
    EXPECT_EQ(window.route_checks, c.switched ? 1 : 0);
    EXPECT_EQ(FakeRegistry::Get().HasKey(reg::kCurrentUser, kTyped), !c.switched);
    EXPECT_EQ(window.ended, 1);
  }
  SetUp();
  ChromeProfile(false);
  Window window;
  window.Apply();
  EXPECT_TRUE(window.questions.empty()) << "a closed browser is no question";
}

// The line says where the pages go, checked, and what Apply cleared, in
// words a user reads at a glance.
TEST_F(ApplyTest, TheStatusLineSaysTheRouteCheckedAndWhatWasCleared) {
  Window window;
  window.Apply();
  ASSERT_FALSE(window.status.empty());
  const std::string& last = window.status.back();
  EXPECT_EQ(last.rfind("Through p:1, checked at ", 0), 0u) << last;
  EXPECT_NE(last.find(": pages load (http 120 ms, https 130 ms)\nNothing needed clearing"),
            std::string::npos)
      << last;

  const routecheck::RouteReport works = Window::Working();
  routecheck::RouteReport split = works;
  split.https.proxy = "q:2";
  const platform::process::LocalTime at{2026, 12, 8, 9, 5};
  EXPECT_EQ(wipe::CheckedLine("p:1", works, at),
            "Through p:1, checked at 09:05: pages load (http 120 ms, https 130 ms)");
  EXPECT_EQ(wipe::CheckedLine("x", split, at).rfind("Through p:1 (http) and q:2 (https), ", 0), 0u);
  EXPECT_NE(wipe::CheckedLine("p:1", Failing("http", "x"), at).find(": http pages do not load"),
            std::string::npos);
  const struct {
    wipe::Cleared cleared;
    const char* line;
  } cases[] = {
      {{5000, 300, 0, {"Chrome", "Firefox"}},
       "Cleared 5,000 cache entries, 300 cookie files, Chrome and Firefox; copies in the Recycle "
       "Bin"},
      {{1, 0, 0, {}}, "Cleared 1 cache entry"},
      {{0, 1, 0, {}}, "Cleared 1 cookie file; copies in the Recycle Bin"},
      {{1234567, 0, 0, {"Edge"}},
       "Cleared 1,234,567 cache entries, Edge; copies in the Recycle Bin"},
      {{0, 0, 1, {"Chrome"}}, "Cleared the data of 1 site, Chrome; copies in the Recycle Bin"},
      {{}, "Nothing needed clearing"},
  };
  for (const auto& c : cases) EXPECT_EQ(wipe::ClearedLine(c.cleared), c.line);
}
