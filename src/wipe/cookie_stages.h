// The cookie stages of Apply: every cookie file of the cookies folder goes to
// the recycle bin, then the protected ones are copied back from the jar.
#pragma once

#include <optional>
#include <string>

#include "platform/fileop.h"

namespace wipe {

// The records take a folder that cookies::CheckCookiesFolder accepted.
// The delete of every "*.txt" in the folder, to the recycle bin.
platform::fileop::Record CookieDeleteRecord(const std::string& folder);
// The copy of the jar's "*.txt" back into the folder.
platform::fileop::Record CookieRestoreRecord(const std::string& folder);

// The cookies folder path as the registry stores it, with environment
// references (%USERPROFILE%\...) expanded; a path without % is unchanged.
std::string CookiesFolderFromRegistry(const std::string& stored);

}  // namespace wipe
