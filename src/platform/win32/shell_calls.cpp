#include "platform/win32/shell_calls.h"

#include "platform/win32/system_library.h"

namespace platform::win32 {

const ShellCalls& Shell() {
  static const ShellCalls calls = [] {
    static SystemLibrary library("shell32.dll");
    ShellCalls found{};
    MASKFOLD_REQUIRE(library, found, SHFileOperationA);
    MASKFOLD_REQUIRE(library, found, ShellExecuteA);
    MASKFOLD_REQUIRE(library, found, SHGetFolderPathA);
    MASKFOLD_REQUIRE(library, found, SHQueryRecycleBinA);
    return found;
  }();
  return calls;
}

}  // namespace platform::win32
