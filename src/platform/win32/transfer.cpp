#include "platform/transfer.h"

#include <windows.h>

#include <wininet.h>

#include <algorithm>
#include <chrono>

#include "platform/win32/answering.h"
#include "platform/win32/handles.h"
#include "platform/win32/wininet_calls.h"

namespace platform::transfer {
namespace {

using win32::WinInet;

inline void CloseInternetHandle(HINTERNET handle) { WinInet().InternetCloseHandle(handle); }
using UniqueInternet = win32::Unique<HINTERNET, CloseInternetHandle>;

// A server that accepts and never answers delays start-up by this at most.
constexpr DWORD kTimeoutMs = 10000;

// Keeps the busy flag up for the length of one request.
class BusyWhile {
 public:
  explicit BusyWhile(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyWhile() { flag_ = false; }
  BusyWhile(const BusyWhile&) = delete;
  BusyWhile& operator=(const BusyWhile&) = delete;

 private:
  bool& flag_;
};

}  // namespace

void NotifySettingsChanged() {
  WinInet().InternetSetOptionA(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
  WinInet().InternetSetOptionA(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
}

bool Control::Busy() const { return busy_; }

namespace {

// How long a GET may take: each step, and with an overall deadline the
// whole GET too; and how much of the body is wanted.
struct Bounds {
  DWORD timeout_ms;
  bool overall;
  std::size_t most_bytes;
};

// A GET of the URL in the session; what came back, or why nothing did.
Response Get(HINTERNET session, const std::string& url, DWORD flags, const Bounds& bounds) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(bounds.timeout_ms);
  Response response;
  response.failed = true;
  auto failed = [&] {
    response.error = ::GetLastError();
    return response;
  };

  char host[INTERNET_MAX_HOST_NAME_LENGTH] = {};
  char path[INTERNET_MAX_PATH_LENGTH] = {};
  char extra[INTERNET_MAX_PATH_LENGTH] = {};
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = sizeof extra;
  if (!WinInet().InternetCrackUrlA(url.c_str(), 0, 0, &parts)) return failed();
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
    return response;

  if (!session) return failed();
  const UniqueInternet connection(WinInet().InternetConnectA(session, host, parts.nPort, nullptr,
                                                             nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return failed();
  const std::string object = std::string(path) + extra;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  const UniqueInternet request(WinInet().HttpOpenRequestA(connection.Get(), "GET", object.c_str(),
                                                          nullptr, nullptr, nullptr, flags, 0));
  if (!request) return failed();
  // Set on the request itself: that is where every implementation reads them.
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                       INTERNET_OPTION_SEND_TIMEOUT}) {
    DWORD timeout = bounds.timeout_ms;
    WinInet().InternetSetOptionA(request.Get(), option, &timeout, sizeof timeout);
  }
  if (!WinInet().HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0)) return failed();

  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinInet().HttpQueryInfoA(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                &status, &size, nullptr))
    return failed();
  response.status = static_cast<int>(status);
  // What has come in, never more than is wanted: a read of a full buffer
  // would wait for the rest of a body that trickles in or never ends.
  char buffer[16384];
  while (response.body.size() < bounds.most_bytes) {
    if (bounds.overall && std::chrono::steady_clock::now() >= deadline) {
      ::SetLastError(ERROR_INTERNET_TIMEOUT);
      return failed();
    }
    DWORD available = 0;
    if (!WinInet().InternetQueryDataAvailable(request.Get(), &available, 0, 0)) return failed();
    if (available == 0) break;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(
        {available, sizeof buffer, bounds.most_bytes - response.body.size()}));
    DWORD read = 0;
    if (!WinInet().InternetReadFile(request.Get(), buffer, wanted, &read)) return failed();
    if (read == 0) break;
    response.body.append(buffer, read);
  }
  response.failed = false;
  return response;
}

}  // namespace

Response Control::OpenUrl(const std::string& url) {
  const BusyWhile busy(busy_);
  Response response;
  // The windows keep answering while WinINet loads and the request waits on
  // the server: a window that shows during a download is drawn, and never
  // turns into a ghost for the ten seconds a silent server may take.
  win32::RunWhileAnswering([&] {
    // Preconfigured: the request takes the proxy the browser is set to.
    const UniqueInternet session(
        WinInet().InternetOpenA("Maskfold", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    response = Get(session.Get(), url,
                   INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                       INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI,
                   {kTimeoutMs, false, std::string::npos});
  });
  return response;
}

Response FetchThroughProxy(const std::string& proxy, const std::string& url, unsigned timeout_ms,
                           std::size_t most_bytes) {
  const UniqueInternet session(
      WinInet().InternetOpenA("Maskfold", INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), nullptr, 0));
  return Get(session.Get(), url,
             INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                 INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTO_REDIRECT |
                 INTERNET_FLAG_NO_AUTH,
             {timeout_ms, true, most_bytes});
}

}  // namespace platform::transfer
