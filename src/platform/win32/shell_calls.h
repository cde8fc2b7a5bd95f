// The shell, loaded with the first file operation or launch.
#pragma once

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

namespace platform::win32 {

struct ShellCalls {
  decltype(::SHFileOperationA)* SHFileOperationA;
  decltype(::ShellExecuteA)* ShellExecuteA;
  decltype(::SHGetFolderPathA)* SHGetFolderPathA;
  decltype(::SHQueryRecycleBinA)* SHQueryRecycleBinA;
};

// Every call above, resolved once; throws when one is missing.
const ShellCalls& Shell();

}  // namespace platform::win32
