// The jar: the folder "Jar" inside the cookies folder, holding plain copies
// of the cookies the user protected.
#pragma once

#include <optional>
#include <string>

#include "cookies/folder_guard.h"

namespace cookies {

std::string JarFolder(const GuardedFolder& cookies_folder);

// A jar that links to another place (a symbolic link or junction) is not the
// cookies folder's own: nothing is moved into it, deleted from it or copied
// back from it.
bool JarIsLink(const GuardedFolder& cookies_folder);

// Moves one cookie file into the jar, replacing a jar copy of the same name.
// The original goes only once its copy is made; a copy that fails leaves
// both folders as they were. Nothing when it went as it should (an empty
// name does nothing), otherwise the message for the user.
std::optional<std::string> Protect(const GuardedFolder& cookies_folder, const std::string& name);

// Deletes every cookie file of the jar. False when there was none or one
// could not be deleted.
bool EmptyJar(const GuardedFolder& cookies_folder);

inline constexpr const char* kNoCookiesText = "No protected cookies to delete!";
inline constexpr const char* kNoCookiesCaption = "No Cookies Found";

}  // namespace cookies
