#include "banner/download.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "common/failure.h"
#include "platform/files.h"

namespace banner {
namespace {

bool IsReservedDeviceName(std::string_view name) {
  // The device names stand for devices whatever extension follows them.
  const std::string_view stem = name.substr(0, name.find('.'));
  std::string upper(stem);
  while (!upper.empty() && upper.back() == ' ') upper.pop_back();
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  static constexpr std::array<std::string_view, 6> kNames{"CON", "PRN",    "AUX",
                                                          "NUL", "CONIN$", "CONOUT$"};
  if (std::find(kNames.begin(), kNames.end(), upper) != kNames.end()) return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '1' && upper[3] <= '9';
}

}  // namespace

std::optional<std::string> FileNameFromUrl(std::string_view url) {
  const auto slash = url.rfind('/');
  if (slash == std::string_view::npos) return std::nullopt;
  std::string_view name = url.substr(slash + 1);
  name = name.substr(0, name.find_first_of("?#"));
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of("\\:") != std::string_view::npos || IsReservedDeviceName(name))
    return std::nullopt;
  return std::string(name);
}

Stored DownloadFile(platform::transfer::Control& transfer, const std::string& url,
                    const std::string& folder) {
  // What an earlier run left when it ended between writing and renaming.
  if (const auto name = FileNameFromUrl(url))
    platform::files::DeleteOneFile(folder + "\\" + *name + platform::files::kPartialSuffix);
  if (transfer.Busy()) return Stored::kBusy;
  // A transfer that cannot be made at all (WinINet or one of its calls
  // missing) has failed like any other.
  const platform::transfer::Response response = failure::Trap(
      [&] {
        return transfer.OpenUrl(url, {kDeadlineMs, kMostBytes});
      },
      [] {
        return platform::transfer::Response{true, 0, {}};
      });
  if (response.failed && response.error == platform::transfer::kCancelled) return Stored::kStopped;
  const auto name = FileNameFromUrl(url);
  // An error page, or a body over the size, is never stored in place of the
  // file.
  const bool stored = !response.failed && response.status >= 200 && response.status <= 299 &&
                      response.body.size() <= kMostBytes && name &&
                      platform::files::WriteWholeFile(folder + "\\" + *name, response.body);
  return stored ? Stored::kStored : Stored::kFailed;
}

}  // namespace banner
