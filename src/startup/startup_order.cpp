#include "startup/startup_order.h"

#include "banner/download.h"
#include "browsers/browser_wipe.h"
#include "common/identifiers.h"
#include "cookies/folder_guard.h"
#include "cookies/jar.h"
#include "platform/files.h"
#include "sitedata/site_data_wipe.h"

namespace startup {

namespace {

void RepairJar(Steps& steps, const std::string& cookies_folder) {
  // Nothing is offered or created outside a real cookies folder; Apply and
  // the Cookie Manager tell the user why they leave it alone.
  const cookies::FolderCheck checked = cookies::CheckCookiesFolder(cookies_folder);
  if (!checked) return;
  const std::string jar = cookies::JarFolder(*checked.folder);
  // A file named "Jar" passes too, as it always has.
  if (platform::files::Exists(jar)) return;
  steps.Tell({"The folder " + jar + " is missing--Click OK to restore it.", outcome::Box::kPlain});
  if (!platform::files::MakeDirectory(jar))
    steps.Tell({"Protected cookies are unavailable: the folder " + jar +
                " could not be created. Apply will keep no cookie."});
}

}  // namespace

void Run(Steps& steps, const std::string& banner_url) {
  RepairJar(steps, steps.LoadMainWindow());
  browsers::RemoveLeftoverCopies();
  sitedata::BinLeftoverSiteData();
  const std::string folder = platform::files::ApplicationFolder();
  // A banner left read-only by an earlier run must not block the new one.
  platform::files::SetAttributes(folder + "\\" + std::string(ids::kBannerFile),
                                 platform::files::kAttributeNormal);
  steps.ShowSplash();
  steps.Download(
      [banner_url, folder](platform::transfer::Control& transfer) {
        return banner::DownloadFile(transfer, banner_url, folder);
      },
      [&steps](banner::Stored stored) {
        if (stored == banner::Stored::kFailed) steps.Tell({std::string(banner::kFailureMessage)});
        steps.ShowMainWindow();
        steps.CloseSplash();
      });
}

std::string BannerUrl(const std::string& command_line) {
  const auto at = command_line.find(ids::kBannerUrlOption);
  if (at == std::string::npos) return std::string(ids::kDefaultBannerUrl);
  const auto start = at + ids::kBannerUrlOption.size();
  return command_line.substr(start, command_line.find_first_of(" \t\"", start) - start);
}

}  // namespace startup
