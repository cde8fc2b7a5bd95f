#include "platform/win32/wininet_calls.h"

#include "platform/win32/handles.h"

namespace platform::win32 {

SystemLibrary& WinInetLibrary() {
  static SystemLibrary library("wininet.dll");
  return library;
}

const WinInetCalls& WinInet() {
  static const WinInetCalls calls = [] {
    SystemLibrary& library = WinInetLibrary();
    WinInetCalls found{};
    MASKFOLD_REQUIRE(library, found, InternetOpenA);
    MASKFOLD_REQUIRE(library, found, InternetCloseHandle);
    MASKFOLD_REQUIRE(library, found, InternetSetOptionA);
    MASKFOLD_REQUIRE(library, found, InternetQueryOptionA);
    MASKFOLD_REQUIRE(library, found, InternetCrackUrlA);
    MASKFOLD_REQUIRE(library, found, InternetConnectA);
    MASKFOLD_REQUIRE(library, found, HttpOpenRequestA);
    MASKFOLD_REQUIRE(library, found, HttpSendRequestA);
    MASKFOLD_REQUIRE(library, found, HttpQueryInfoA);
    MASKFOLD_REQUIRE(library, found, InternetQueryDataAvailable);
    MASKFOLD_REQUIRE(library, found, InternetReadFile);
    MASKFOLD_REQUIRE(library, found, FindFirstUrlCacheEntryA);
    MASKFOLD_REQUIRE(library, found, FindNextUrlCacheEntryA);
    MASKFOLD_REQUIRE(library, found, DeleteUrlCacheEntryA);
    MASKFOLD_REQUIRE(library, found, FindCloseUrlCache);
    return found;
  }();
  return calls;
}

// Only a handle from WinInet's own find-first comes here: WinInet is loaded.
void CloseUrlCacheFind(HANDLE find) { WinInet().FindCloseUrlCache(find); }

}  // namespace platform::win32
