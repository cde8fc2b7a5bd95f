#include "shell/startup.h"

#include "banner/live_update.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace shell {
namespace {
constexpr std::string_view kBannerUrl = "http://maskfold.example/cache.gif";
constexpr std::string_view kBannerOption = "--banner-url=";
}  // namespace

void RunStartup(StartupWindows& windows, const std::string& banner_url) {
  const std::string cookies = windows.CookiesFolder();
  // A file named "Jar" passes too, as it always has.
  if (!platform::files::Exists(cookies + "\\Jar")) {
    platform::ui::ShowMessage(
        "The folder " + windows.CookiesFolder() + "\\Jar" + " is missing--Click OK to restore it.",
        platform::ui::kStylePlain);
    const std::string jar = windows.CookiesFolder() + "\\Jar";
    if (!platform::files::MakeDirectory(jar))
      platform::ui::ShowMessage("Protected cookies are unavailable: the folder " + jar +
                                    " could not be created. Apply will keep no cookie.",
                                platform::ui::kStyleInformation);
  }
  const std::string folder = platform::files::ApplicationFolder();
  // A banner left read-only by an earlier run must not block the new one.
  platform::files::SetAttributes(folder + "\\cache.gif", platform::files::kAttributeNormal);
  windows.ShowSplash();
  banner::DownloadFile(windows.Inet(), banner_url, folder);
  windows.ShowMain();
  windows.UnloadSplash();
}

std::string BannerUrl(const std::string& command_line) {
  const auto at = command_line.find(kBannerOption);
  if (at == std::string::npos) return std::string(kBannerUrl);
  const auto start = at + kBannerOption.size();
  return command_line.substr(start, command_line.find_first_of(" \t\"", start) - start);
}

}  // namespace shell
