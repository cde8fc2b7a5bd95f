#include "cookies/jar.h"

#include "common/identifiers.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace cookies {

namespace {
// A jar that links to another place is not the cookies folder's own: no
// file is moved into it or deleted from it.
bool IsLink(const std::string& path) {
  const auto attributes = platform::files::Attributes(path);
  return attributes && (*attributes & platform::files::kAttributeReparsePoint);
}
}  // namespace

std::string JarFolder(const std::string& cookies_folder) {
  return cookies_folder + "\\" + std::string(ids::kJarFolder);
}

void Protect(const std::string& cookies_folder, const std::string& name) {
  if (name.empty()) return;
  const std::string source = cookies_folder + "\\" + name;
  const std::string target = JarFolder(cookies_folder) + "\\" + name;
  if (IsLink(JarFolder(cookies_folder)) || !platform::files::CopyOneFile(source, target)) {
    platform::ui::ShowMessage("The cookie " + name +
                                  " could not be copied into the protected folder, so it was left "
                                  "where it is.",
                              platform::ui::kStyleInformation);
    return;
  }
  if (!platform::files::DeleteOneFile(source))
    platform::ui::ShowMessage("The cookie " + name +
                                  " is protected now, but its original could not be removed from "
                                  "the cookies folder.",
                              platform::ui::kStyleInformation);
}

bool EmptyJar(const std::string& cookies_folder) {
  if (IsLink(JarFolder(cookies_folder))) return false;
  return platform::files::DeleteMatching(JarFolder(cookies_folder) + "\\*.txt");
}

}  // namespace cookies
