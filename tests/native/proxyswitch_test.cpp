// The proxy switch: the connection settings' layout, every connection on the
// proxy and back, a switch that does not take, and a run that ended without
// Exit.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "fake_registry.h"
#include "proxyswitch/connection_settings.h"
#include "proxyswitch/proxy_switch.h"

namespace {
using fake::FakeRegistry;
using fake::FakeSystem;
using proxyswitch::ConnectionValue;
using Bytes = std::vector<std::uint8_t>;
namespace reg = platform::reg;
constexpr const char* kSettings = R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)";
constexpr const char* kConnections =
    R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections)";

TEST(ConnectionValueTest, DecodesWhatItEncodesAndKeepsTheFieldsItDoesNotKnow) {
  const struct {
    const char* what;
    Bytes bytes;
    std::optional<ConnectionValue> value;
  } cases[] = {
      {"direct, nothing set",
       {0x46, 0, 0, 0, 7, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       ConnectionValue{0x46, 7, {1, "", "", ""}, {}}},
      {"proxy, bypass and script, then unknown bytes",
       {0x3C, 0, 0, 0, 1,   1,   0,   0,   0x0B, 0,   0,   0, 3, 0, 0, 0,   'p', ':', '1',
        7,    0, 0, 0, '<', 'l', 'o', 'c', 'a',  'l', '>', 1, 0, 0, 0, 'u', 9,   8,   7},
       ConnectionValue{0x3C, 0x101, {0x0B, "p:1", "<local>", "u"}, {9, 8, 7}}},
      {"too short for its header", {0x46, 0, 0, 0, 1, 0}, std::nullopt},
      {"a length past the end",
       {0x46, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 9, 0, 0, 0, 'p'},
       std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(proxyswitch::DecodeConnectionValue(c.bytes), c.value) << c.what;
    if (c.value) {
      EXPECT_EQ(proxyswitch::EncodeConnectionValue(*c.value), c.bytes) << c.what;
    }
  }
  // New options move the counter on and keep the rest; a new value gets
  // Windows' zeroed fields.
  const ConnectionValue changed =
      proxyswitch::WithOptions(*cases[1].value, {3, "q:2", "<local>", ""});
  EXPECT_EQ(changed.counter, 0x102u);
  EXPECT_EQ(changed.rest, (Bytes{9, 8, 7}));
  EXPECT_EQ(proxyswitch::WithOptions(std::nullopt, {}).rest, Bytes(32, 0));
}

// The forms Windows and the browsers read alike are accepted; every other
// text is refused with the form expected and why, and the same in brief.
TEST(ProxyTextTest, AcceptsHostAndPortOrBothSchemesAndRefusesTheRestWithWhy) {
  const struct {
    const char* typed;
    const char* accepted;  // nullptr: refused, with the brief and a part of the message
    const char* brief = "";
    const char* why = "";
  } cases[] = {
      {"127.0.0.1:8080", "127.0.0.1:8080"},
      {"proxy.example-1.net:3128", "proxy.example-1.net:3128"},
      {"[::1]:8080", "[::1]:8080"},
      {"[2001:db8::7]:1", "[2001:db8::7]:1"},
      {"h:65535", "h:65535"},
      {"\xEF\xBB\xBF \th:1\r\n", "h:1"},
      {"http=h:1;https=h:2", "http=h:1;https=h:2"},
      {"HTTPS=h:2;ftp=f:21;HTTP=h:1;", "HTTPS=h:2;ftp=f:21;HTTP=h:1;"},
      {"http=h:1;https=h:2;socks=s:1080", "http=h:1;https=h:2;socks=s:1080"},
      {"", nullptr, "empty", "is empty"},
      {"127.0.0.1", nullptr, "no port", "has no port"},
      {"h:", nullptr, "no port", "has no port"},
      {"[::1]", nullptr, "no port", "has no port"},
      {"h:0", nullptr, "port out of range", "1 to 65535"},
      {"h:65536", nullptr, "port out of range", "1 to 65535"},
      {"h:80x", nullptr, "port out of range", "1 to 65535"},
      {"not a proxy", nullptr, "blanks inside", "blanks"},
      {"h :1", nullptr, "blanks inside", "blanks"},
      {"user:pass@127.0.0.1:8080", nullptr, "has a password", "cannot carry a password"},
      {"http=u@h:1;https=h:2", nullptr, "has a password", "asks for it"},
      {"http://h:1", nullptr, "not host:port", "http://"},
      {"::1:8080", nullptr, "not host:port", "brackets"},
      {"[::g]:1", nullptr, "not host:port", "IPv6"},
      {"h$t:1", nullptr, "not host:port", "host:port"},
      {"http=h:1", nullptr, "https would go direct",
       "https pages (most of the web) would go direct"},
      {"http=h:1;https=", nullptr, "https would go direct", "show your own address"},
      {"https=h:443", nullptr, "http would go direct", "names no proxy for http"},
      {"ftp=h:21;https=h:443", nullptr, "http would go direct", "http=host:port"},
      {"socks=s:1080", nullptr, "SOCKS only", "SOCKS4 and look every name up on this computer"},
      {"h:1;https=h:2", nullptr, "not host:port", "mixes"},
      {"=h:1;https=h:2", nullptr, "not host:port", "scheme=host:port"},
      {"http=h;https=h:2", nullptr, "no port", "has no port"},
  };
  for (const auto& c : cases) {
    const proxyswitch::CheckedProxy checked = proxyswitch::CheckProxyText(c.typed);
    if (c.accepted) {
      EXPECT_EQ(checked.proxy, c.accepted) << c.typed;
      EXPECT_FALSE(checked.problem) << c.typed << ": " << *checked.problem;
      continue;
    }
    EXPECT_TRUE(checked.proxy.empty()) << c.typed;
    EXPECT_EQ(checked.brief, c.brief) << c.typed;
    ASSERT_TRUE(checked.problem) << c.typed;
    EXPECT_NE(checked.problem->find(c.why), std::string::npos) << *checked.problem;
  }
  EXPECT_EQ(proxyswitch::ProxyForScheme("HTTPS=b:2;http=a:1", "https"), "b:2");
  EXPECT_EQ(proxyswitch::ProxyForScheme("http=a:1;https=b:2", "HTTP"), "a:1");
  EXPECT_EQ(proxyswitch::ProxyForScheme("ftp=f:1", "http"), "");
  EXPECT_EQ(proxyswitch::ProxyForScheme("a:1", "https"), "a:1");
}

class ProxySwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeRegistry::Reset();
    FakeSystem::Reset();
    fake::FakeUi::Reset();
    // The user's own: automatic detection and a configuration script, a
    // bypass list; one VPN entry.
    auto& system = FakeSystem::Get();
    system.connections[""] = {1 | 4 | 8, "", "<local>", "http://wpad/proxy.pac"};
    system.connections["Office VPN"] = {1 | 8, "", "*.corp", ""};
    system.dial_up_entries = {"Office VPN"};
  }
  static std::optional<ConnectionValue> Stored(const char* name) {
    const auto value = FakeRegistry::Get().Value(reg::kCurrentUser, kConnections, name);
    if (!value) return std::nullopt;
    return proxyswitch::DecodeConnectionValue(value->data);
  }
  static std::optional<std::string> RunOnce() {
    const auto value = FakeRegistry::Get().Value(
        reg::kCurrentUser, R"(Software\Microsoft\Windows\CurrentVersion\RunOnce)", "Maskfold");
    if (!value) return std::nullopt;
    return std::string(value->data.begin(), value->data.end() - 1);
  }
  static std::string Setting(const char* name) {
    const auto value = FakeRegistry::Get().Value(reg::kCurrentUser, kSettings, name);
    return value ? std::string(value->data.begin(), value->data.end()) : "<none>";
  }
};

TEST_F(ProxySwitchTest, EveryConnectionGoesOnTheProxyAndComesBackAsTheUserHadIt) {
  auto& connections = FakeSystem::Get().connections;
  const auto before = connections;
  ASSERT_TRUE(proxyswitch::SwitchOn("p:1"));
  ASSERT_TRUE(proxyswitch::SwitchOn("q:2")) << "a second switch keeps the first one's record";
  EXPECT_TRUE(RunOnce());
  for (const char* name : {"", "Office VPN"}) {
    EXPECT_EQ(connections[name].flags, 3u) << name;  // direct and proxy, no detection or script
    EXPECT_EQ(connections[name].proxy, "q:2") << name;
    EXPECT_EQ(connections[name].bypass, before.at(name).bypass) << name;
  }
  // The values WinHTTP reads carry it, where the set did not write them.
  ASSERT_TRUE(Stored("DefaultConnectionSettings"));
  EXPECT_EQ(Stored("DefaultConnectionSettings")->options,
            (proxyswitch::ConnectionOptions{3, "q:2", "<local>", "http://wpad/proxy.pac"}));
  EXPECT_EQ(Stored("Office VPN")->options.proxy, "q:2");

  ASSERT_TRUE(proxyswitch::SwitchOff());
  EXPECT_EQ(connections[""].flags, 1u | 4 | 8);
  EXPECT_EQ(connections[""].script_url, "http://wpad/proxy.pac");
  EXPECT_EQ(connections["Office VPN"].flags, 1u | 8);
  EXPECT_EQ(Stored("DefaultConnectionSettings")->options.flags, 1u | 4 | 8);
  EXPECT_EQ(Setting("ProxyServer"), std::string("Not Set") + '\0');
  EXPECT_FALSE(FakeRegistry::Get().HasKey(reg::kCurrentUser, R"(Software\Maskfold)"));
  EXPECT_FALSE(RunOnce());
}

// Refused outright, or accepted and ignored under the machine policy: the
// user is told why, and the settings are as they were.
TEST_F(ProxySwitchTest, ASwitchThatDoesNotTakeSaysWhyAndLeavesTheSettingsAsTheyWere) {
  const struct {
    std::uint32_t error;
    bool policy;
    const char* why;
  } cases[] = {{5, false, "Windows refused the change (error 5)"},
               {0, true, "ProxySettingsPerUser"}};
  for (const auto& c : cases) {
    SetUp();
    const auto before = FakeSystem::Get().connections;
    FakeSystem::Get().set_error = c.error;
    FakeSystem::Get().set_ignored = c.policy;
    if (c.policy)
      FakeRegistry::Get().Put(
          reg::kLocalMachine,
          R"(Software\Policies\Microsoft\Windows\CurrentVersion\Internet Settings)",
          "ProxySettingsPerUser", {4, {0, 0, 0, 0}});
    const proxyswitch::Outcome outcome = proxyswitch::SwitchOn("p:1");
    ASSERT_FALSE(outcome) << c.why;
    EXPECT_NE(outcome.Why()->text.find(c.why), std::string::npos) << outcome.Why()->text;
    EXPECT_EQ(Setting("ProxyServer"), std::string("Not Set") + '\0') << "claims no proxy";
    EXPECT_EQ(FakeSystem::Get().connections[""].flags, before.at("").flags);
    EXPECT_FALSE(FakeRegistry::Get().HasKey(reg::kCurrentUser, R"(Software\Maskfold)"));
  }
  FakeSystem::Get().set_error = 5;
  const proxyswitch::Outcome off = proxyswitch::SwitchOff();
  ASSERT_FALSE(off);
  EXPECT_NE(off.Why()->text.find("To turn it off by hand"), std::string::npos);
}

// What the start does with a lost run: its proxy off the program's one way.
std::optional<std::string> PutBackAfterLostRun() {
  const auto proxy = proxyswitch::LostRunProxy();
  if (proxy && !proxyswitch::SwitchOff()) ADD_FAILURE() << "not turned off";
  return proxy ? std::optional(proxyswitch::PutBackMessage(*proxy)) : std::nullopt;
}

TEST_F(ProxySwitchTest, ARunThatEndedWithoutExitIsPutRightOnceAtTheNextStart) {
  ASSERT_TRUE(proxyswitch::SwitchOn("p:1"));
  EXPECT_FALSE(PutBackAfterLostRun()) << "that run still goes on";
  FakeSystem::Get().processes.clear();  // killed
  FakeSystem::Get().process_id = 43;
  const auto told = PutBackAfterLostRun();
  ASSERT_TRUE(told);
  EXPECT_NE(told->find("its proxy p:1 was still on"), std::string::npos) << *told;
  EXPECT_EQ(FakeSystem::Get().connections[""].flags, 1u | 4 | 8);
  EXPECT_FALSE(PutBackAfterLostRun()) << "said once";

  // The user moved on before the next start, on the LAN only: the VPN entry
  // still on the dead proxy is put right.
  auto& connections = FakeSystem::Get().connections;
  ASSERT_TRUE(proxyswitch::SwitchOn("p:1"));
  FakeSystem::Get().processes.clear();
  connections[""] = {1, "mine:8", "", ""};
  FakeRegistry::Get().PutText(reg::kCurrentUser, kSettings, "ProxyServer", "mine:8");
  EXPECT_TRUE(PutBackAfterLostRun());
  EXPECT_EQ(connections["Office VPN"].flags, 1u | 8);

  // Moved on everywhere: the record goes, nothing else changes.
  ASSERT_TRUE(proxyswitch::SwitchOn("p:1"));
  FakeSystem::Get().processes.clear();
  connections[""] = connections["Office VPN"] = {1, "mine:8", "", ""};
  FakeRegistry::Get().PutText(reg::kCurrentUser, kSettings, "ProxyServer", "mine:8");
  EXPECT_FALSE(PutBackAfterLostRun());
  EXPECT_EQ(connections[""].proxy, "mine:8");
  EXPECT_FALSE(FakeRegistry::Get().HasKey(reg::kCurrentUser, R"(Software\Maskfold)"));
}

TEST_F(ProxySwitchTest, ARecordOfAnotherOrAnUnreadableProcessIsALostRun) {
  const struct {
    const char* name;
    std::string process;     // the record's value
    const char* image_of_7;  // the program that now runs as process 7
    bool lost;
  } cases[] = {
      {"its run goes on", "7 700", "maskfold.exe", false},
      {"no start time, its run goes on", "7 0", "MASKFOLD.EXE", false},
      {"the id reused by another program", "7 0", "notepad.exe", true},
      {"the id reused later", "7 699", "maskfold.exe", true},
      {"garbage", "seven", "maskfold.exe", true},
      {"too long to read", "7 " + std::string(3000, '0'), "maskfold.exe", true},
  };
  for (const auto& c : cases) {
    SetUp();
    ASSERT_TRUE(proxyswitch::SwitchOn("p:1")) << c.name;
    FakeRegistry::Get().PutText(reg::kCurrentUser, R"(Software\Maskfold)", "Process", c.process);
    FakeSystem::Get().processes = {{7, 700}, {43, 4300}};
    FakeSystem::Get().images = {{7, c.image_of_7}, {43, "maskfold.exe"}};
    FakeSystem::Get().process_id = 43;
    EXPECT_EQ(PutBackAfterLostRun().has_value(), c.lost) << c.name;
    EXPECT_EQ(FakeRegistry::Get().HasKey(reg::kCurrentUser, R"(Software\Maskfold)"), !c.lost)
        << c.name;
  }
}

// Without either, a run that ended without Exit would strand the user.
TEST_F(ProxySwitchTest, NoSwitchWithoutARecordOfTheUsersOwnSettingsAndTheLogonRepair) {
  const struct {
    const char* refused;
    const char* why;
  } cases[] = {{R"(CreateKey(HKCU\SOFTWARE\MASKFOLD))", "record of your own settings"},
               {R"(CreateKey(HKCU\SOFTWARE\MICROSOFT\WINDOWS\CURRENTVERSION\RUNONCE))",
                "turns it off at your next logon"}};
  for (const auto& c : cases) {
    SetUp();
    FakeRegistry::Get().refuse = c.refused;
    const proxyswitch::Outcome outcome = proxyswitch::SwitchOn("p:1");
    ASSERT_FALSE(outcome);
    EXPECT_NE(outcome.Why()->text.find(c.why), std::string::npos) << outcome.Why()->text;
    EXPECT_EQ(FakeSystem::Get().connections[""].flags, 1u | 4 | 8);
    EXPECT_FALSE(FakeRegistry::Get().HasKey(reg::kCurrentUser, R"(Software\Maskfold)"));
  }
}

// Going back after a first switch leaves the user's own settings and no
// record; after a second, the first proxy with its record.
TEST_F(ProxySwitchTest, GoingBackPutsTheSettingsBeforeTheSwitchBackWithTheirRecord) {
  auto& connections = FakeSystem::Get().connections;
  const auto own = connections;
  proxyswitch::EarlierSettings earlier;
  ASSERT_TRUE(proxyswitch::SwitchOn("p:1", &earlier));
  ASSERT_TRUE(RunOnce());
  EXPECT_EQ(*RunOnce(), R"("C:\Program Files\Maskfold\maskfold.exe" --off)");
  ASSERT_TRUE(proxyswitch::GoBack(earlier));
  EXPECT_EQ(connections[""].flags, own.at("").flags);
  EXPECT_EQ(connections["Office VPN"].flags, own.at("Office VPN").flags);
  EXPECT_EQ(Setting("ProxyEnable"), std::string(4, '\0'));
  EXPECT_FALSE(FakeRegistry::Get().HasKey(reg::kCurrentUser, R"(Software\Maskfold)"));
  EXPECT_FALSE(RunOnce());

  ASSERT_TRUE(proxyswitch::SwitchOn("p:1"));
  ASSERT_TRUE(proxyswitch::SwitchOn("q:2", &earlier));
  ASSERT_TRUE(proxyswitch::GoBack(earlier));
  EXPECT_EQ(connections[""].proxy, "p:1");
  EXPECT_EQ(Setting("ProxyServer"), std::string("p:1") + '\0');
  EXPECT_TRUE(RunOnce());
  ASSERT_TRUE(proxyswitch::SwitchOff()) << "the record of the user's own settings was kept";
  EXPECT_EQ(connections[""].flags, own.at("").flags);
  EXPECT_FALSE(RunOnce());
}

TEST(OffCommandTest, OnlyTheWordItself) {
  EXPECT_TRUE(proxyswitch::IsOffCommand(R"("C:\Program Files\Maskfold\maskfold.exe" --off)"));
  EXPECT_TRUE(proxyswitch::IsOffCommand("maskfold.exe --banner-url=x --off"));
  EXPECT_FALSE(proxyswitch::IsOffCommand(R"("C:\a --off b\maskfold.exe")"));
  EXPECT_FALSE(proxyswitch::IsOffCommand("maskfold.exe --offline"));
}

}  // namespace
