#include "cookies/jar.h"

#include "common/identifiers.h"
#include "cookies/cookie_files.h"
#include "platform/files.h"

namespace cookies {

std::string JarFolder(const GuardedFolder& cookies_folder) {
  return cookies_folder.Inside(ids::kJarFolder);
}

bool JarIsLink(const GuardedFolder& cookies_folder) {
  const auto attributes = platform::files::Attributes(JarFolder(cookies_folder));
  return attributes && (*attributes & platform::files::kAttributeReparsePoint);
}

std::optional<std::string> Protect(const GuardedFolder& cookies_folder, const std::string& name) {
  if (name.empty()) return std::nullopt;
  const std::string source = cookies_folder.Inside(name);
  const std::string target = JarFolder(cookies_folder) + "\\" + name;
  if (JarIsLink(cookies_folder) || !platform::files::CopyOneFile(source, target))
    return "The cookie " + name +
           " could not be copied into the protected folder, so it was left where it is.";
  if (!platform::files::DeleteOneFile(source))
    return "The cookie " + name +
           " is protected now, but its original could not be removed from the cookies folder.";
  return std::nullopt;
}

bool EmptyJar(const GuardedFolder& cookies_folder) {
  if (JarIsLink(cookies_folder)) return false;
  const std::string jar = JarFolder(cookies_folder);
  const std::vector<std::string> names = CookieFiles(jar, platform::files::Hidden::kIncluded);
  bool all_deleted = !names.empty();
  for (const auto& name : names)
    all_deleted = platform::files::DeleteOneFile(jar + "\\" + name) && all_deleted;
  return all_deleted;
}

}  // namespace cookies
