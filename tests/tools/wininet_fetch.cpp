// A WinINet client in a process of its own, opened the way the browser opens
// its connections: prints the body of one GET, or exits with the error code.
//
//   wininet_fetch.exe preconfig|direct URL
//   wininet_fetch.exe cookie URL      prints the cookies the browser would send
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstring>

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
