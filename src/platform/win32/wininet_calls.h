// WinINet, loaded with the first download or cache call.
#pragma once

#include <windows.h>

#include <wininet.h>

#include "platform/win32/system_library.h"

namespace platform::win32 {

struct WinInetCalls {
  decltype(::InternetOpenA)* InternetOpenA;
  decltype(::InternetCloseHandle)* InternetCloseHandle;
  decltype(::InternetSetOptionA)* InternetSetOptionA;
  decltype(::InternetCrackUrlA)* InternetCrackUrlA;
  decltype(::InternetConnectA)* InternetConnectA;
  decltype(::HttpOpenRequestA)* HttpOpenRequestA;
  decltype(::HttpSendRequestA)* HttpSendRequestA;
  decltype(::HttpQueryInfoA)* HttpQueryInfoA;
  decltype(::InternetQueryDataAvailable)* InternetQueryDataAvailable;
  decltype(::InternetReadFile)* InternetReadFile;
  decltype(::FindFirstUrlCacheEntryA)* FindFirstUrlCacheEntryA;
  decltype(::FindNextUrlCacheEntryA)* FindNextUrlCacheEntryA;
  decltype(::DeleteUrlCacheEntryA)* DeleteUrlCacheEntryA;
  decltype(::FindCloseUrlCache)* FindCloseUrlCache;
};

// Every call above, resolved once; throws when one is missing.
const WinInetCalls& WinInet();

// The library itself, for calls a system may lack.
SystemLibrary& WinInetLibrary();

}  // namespace platform::win32
