// The cookie stages of Apply: every cookie file of the cookies folder goes to
// the recycle bin, then the protected ones are copied back from the jar.
#pragma once

#include <optional>
#include <string>

#include "cookies/folder_guard.h"
#include "platform/fileop.h"

namespace wipe {

// The records name each cookie file of the guarded folder, so that neither
// reaches into a subfolder or takes a file that only looks like a cookie by
// its short name. Nothing when there is no file to delete or copy.
// The delete of the folder's cookie files, to the recycle bin.
std::optional<platform::fileop::Record> CookieDeleteRecord(const cookies::GuardedFolder& folder);
// The copy of the jar's cookie files back into the folder.
std::optional<platform::fileop::Record> CookieRestoreRecord(const cookies::GuardedFolder& folder);

// The cookies folder path as the registry stores it, with environment
// references (%USERPROFILE%\...) expanded; a path without % is unchanged.
std::string CookiesFolderFromRegistry(const std::string& stored);

}  // namespace wipe
