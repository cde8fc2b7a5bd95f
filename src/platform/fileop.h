// The shell's file operation (SHFileOperationA): one record, one call, with
// the platform's own confirmation, progress and error dialogs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/outcome.h"

namespace platform::fileop {

inline constexpr unsigned kCopy = 2;               // FO_COPY
inline constexpr unsigned kDelete = 3;             // FO_DELETE
inline constexpr unsigned kSilent = 0x4;           // FOF_SILENT: no progress dialog
inline constexpr unsigned kNoConfirmation = 0x10;  // FOF_NOCONFIRMATION
inline constexpr unsigned kNoErrorUi = 0x400;      // FOF_NOERRORUI
inline constexpr unsigned kAllowUndo = 0x40;       // FOF_ALLOWUNDO: to the recycle bin
inline constexpr unsigned kFilesOnly = 0x80;       // FOF_FILESONLY: wildcards match files only
inline constexpr unsigned kNoRecursion = 0x1000;   // FOF_NORECURSION: never into subfolders
// FOF_WANTNUKEWARNING: what the bin cannot take is asked about, even with
// kNoConfirmation, rather than deleted for good without a word.
inline constexpr unsigned kWantNukeWarning = 0x4000;

struct Record {
  std::uintptr_t owner = 0;  // window of the dialogs; 0 for none
  unsigned function = 0;
  std::vector<std::string> from;  // full paths or patterns, one or more
  std::optional<std::string> to;  // one folder, or none
  unsigned flags = 0;
};

// SHFileOperationA's own result. Blocks until the operation and its dialogs
// are over: run it off a window's thread.
status::Win32Error Run(const Record& record);

// How many items the recycle bin of the drive that holds the path has;
// nothing when the shell cannot tell. A delete with kAllowUndo deletes for
// good, without a word, what the bin cannot take (the bin turned off, or a
// file too big for it): only the count afterwards tells.
std::optional<std::uint64_t> RecycleBinItems(const std::string& path);

}  // namespace platform::fileop
