// Which files of a folder are cookie files: those whose own names end in
// ".txt", in any case. A "*.txt" wildcard alone is not enough on Windows: it
// also matches "notes.txtold", whose 8.3 short name ends in ".TXT".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace cookies {

bool IsCookieFileName(std::string_view name);

// The cookie files directly in the folder (never in its subfolders), by name.
std::vector<std::string> CookieFiles(
    const std::string& folder, platform::files::Hidden hidden = platform::files::Hidden::kLeftOut);

}  // namespace cookies
