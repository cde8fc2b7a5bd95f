// A WinINet client in a process of its own, opened the way the browser opens
// its connections: prints the body of one GET, or exits with the error code.
//
//   wininet_fetch.exe preconfig|direct URL
//   wininet_fetch.exe cookie URL      prints the cookies the browser would send
//   wininet_fetch.exe settings LAN    prints the proxy settings as WinHTTP and
//                                     WinINet's per-connection query see them
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstring>
#include <string>

// winhttp.h and wininet.h cannot be included together: the one call and its
// record, as winhttp.h declares them.
struct WINHTTP_CURRENT_USER_IE_PROXY_CONFIG {
  BOOL fAutoDetect;
  LPWSTR lpszAutoConfigUrl;
  LPWSTR lpszProxy;
  LPWSTR lpszProxyBypass;
};
extern "C" __declspec(dllimport) BOOL WINAPI
    WinHttpGetIEProxyConfigForCurrentUser(WINHTTP_CURRENT_USER_IE_PROXY_CONFIG* config);

int main(int argc, char** argv) {
  if (argc != 3) return 87;
  if (std::strcmp(argv[1], "cookie") == 0) {
    char cookies[8192] = {};
    DWORD size = sizeof cookies;
    if (!::InternetGetCookieA(argv[2], nullptr, cookies, &size))
      return static_cast<int>(::GetLastError());
    std::fputs(cookies, stdout);
    return 0;
  }
  if (std::strcmp(argv[1], "settings") == 0) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!::WinHttpGetIEProxyConfigForCurrentUser(&config))
      return static_cast<int>(::GetLastError());
    const auto text = [](LPWSTR value) {
      char narrow[1024] = "-";
      if (value)
        ::WideCharToMultiByte(CP_UTF8, 0, value, -1, narrow, sizeof narrow, nullptr, nullptr);
      if (value) ::GlobalFree(value);
      return std::string(narrow);
    };
    std::printf("winhttp detect=%d script=%s proxy=%s bypass=%s", config.fAutoDetect ? 1 : 0,
                text(config.lpszAutoConfigUrl).c_str(), text(config.lpszProxy).c_str(),
                text(config.lpszProxyBypass).c_str());
    INTERNET_PER_CONN_OPTIONA options[2] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    INTERNET_PER_CONN_OPTION_LISTA list{sizeof list, nullptr, 2, 0, options};
    DWORD size = sizeof list;
    if (!::InternetQueryOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size))
      return static_cast<int>(::GetLastError());
    std::printf(" | wininet flags=%lu proxy=%s", options[0].Value.dwValue,
                options[1].Value.pszValue ? options[1].Value.pszValue : "-");
    if (options[1].Value.pszValue) ::GlobalFree(options[1].Value.pszValue);
    return 0;
  }
  const DWORD access = std::strcmp(argv[1], "direct") == 0 ? INTERNET_OPEN_TYPE_DIRECT
                                                           : INTERNET_OPEN_TYPE_PRECONFIG;
  HINTERNET session = ::InternetOpenA("maskfold-test", access, nullptr, nullptr, 0);
  if (!session) return static_cast<int>(::GetLastError());
  DWORD timeout = 5000;
  ::InternetSetOptionA(session, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
  ::InternetSetOptionA(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
  HINTERNET request = ::InternetOpenUrlA(
      session, argv[2], nullptr, 0,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE, 0);
  if (!request) {
    const DWORD error = ::GetLastError();
    ::InternetCloseHandle(session);
    return error ? static_cast<int>(error) : 1;
  }
  char buffer[4096];
  DWORD read = 0;
  while (::InternetReadFile(request, buffer, sizeof buffer, &read) && read > 0)
    std::fwrite(buffer, 1, read, stdout);
  ::InternetCloseHandle(request);
  ::InternetCloseHandle(session);
  return 0;
}
