#include "platform/transfer.h"

#include <windows.h>

#include <wininet.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/win32/wininet_calls.h"

namespace platform::transfer {

static_assert(kTimedOut == ERROR_INTERNET_TIMEOUT);
static_assert(kCancelled == ERROR_INTERNET_OPERATION_CANCELLED);
static_assert(kTooLarge == ERROR_FILE_TOO_LARGE);

namespace {

using win32::WinInet;

// A server that accepts and never answers fails a read after this.
constexpr DWORD kTimeoutMs = 10000;

// The handles of one request, closed together, newest first, by whichever
// thread comes first: the request's own when it ends, or the one that gave
// up waiting for it. Closing is how WinINet stops a request: a call blocked
// on the handle returns, or at the latest the next call fails.
class RequestHandles {
 public:
  RequestHandles() = default;
  RequestHandles(const RequestHandles&) = delete;
  RequestHandles& operator=(const RequestHandles&) = delete;
  ~RequestHandles() { Close(); }

  // The handle, kept for closing; null when it is null or the request was
  // stopped meanwhile (then it is closed at once).
  HINTERNET Keep(HINTERNET handle) {
    if (!handle) return nullptr;
    const std::lock_guard lock(mutex_);
    if (closed_) {
      WinInet().InternetCloseHandle(handle);
      return nullptr;
    }
    open_.push_back(handle);
    return handle;
  }
  void Close() {
    const std::lock_guard lock(mutex_);
    closed_ = true;
    for (auto handle = open_.rbegin(); handle != open_.rend(); ++handle)
      WinInet().InternetCloseHandle(*handle);
    open_.clear();
  }
  bool Closed() {
    const std::lock_guard lock(mutex_);
    return closed_;
  }

 private:
  std::mutex mutex_;
  std::vector<HINTERNET> open_;
  bool closed_ = false;
};

Response Failed(std::uint32_t error) {
  Response response;
  response.failed = true;
  response.error = error;
  return response;
}

// A GET of the URL in the session. The body is read as it comes, so that the
// deadline is checked however slowly it trickles, and never beyond
// `read_limit` bytes: a read of a full buffer would wait for the rest of a
// body that trickles in or never ends.
Response Get(RequestHandles& handles, HINTERNET session, const std::string& url, DWORD flags,
             DWORD timeout_ms, std::size_t read_limit, ULONGLONG deadline) {
  Response response;
  response.failed = true;
  auto failed = [&] {
    const DWORD error = ::GetLastError();  // before the lock can touch it
    response.error = handles.Closed() ? kCancelled : error;
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
  const HINTERNET connection = handles.Keep(WinInet().InternetConnectA(
      session, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return failed();
  const std::string object = std::string(path) + extra;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  const HINTERNET request = handles.Keep(WinInet().HttpOpenRequestA(
      connection, "GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0));
  if (!request) return failed();
  // Set on the request itself: that is where every implementation reads them.
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                       INTERNET_OPTION_SEND_TIMEOUT}) {
    DWORD timeout = timeout_ms;
    WinInet().InternetSetOptionA(request, option, &timeout, sizeof timeout);
  }
  if (!WinInet().HttpSendRequestA(request, nullptr, 0, nullptr, 0)) return failed();

  DWORD status = 0;
  DWORD size = sizeof status;
  // A request stopped meanwhile has its handles closed: no further call on
  // them (one closed from another thread may already name something else).
  if (handles.Closed()) return Failed(kCancelled);
  if (!WinInet().HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                                &size, nullptr))
    return failed();
  response.status = static_cast<int>(status);
  char buffer[16384];
  while (response.body.size() < read_limit) {
    if (handles.Closed()) return Failed(kCancelled);
    if (::GetTickCount64() >= deadline) return Failed(kTimedOut);
    // Waits (up to the time-out) only for the first byte of what comes.
    DWORD available = 0;
    if (!WinInet().InternetQueryDataAvailable(request, &available, 0, 0)) return failed();
    if (available == 0) break;
    const auto wanted = static_cast<DWORD>(
        std::min<std::size_t>({available, sizeof buffer, read_limit - response.body.size()}));
    DWORD read = 0;
    if (handles.Closed()) return Failed(kCancelled);
    if (!WinInet().InternetReadFile(request, buffer, wanted, &read)) return failed();
    if (read == 0) break;
    response.body.append(buffer, read);
  }
  response.failed = false;
  return response;
}

}  // namespace

void NotifySettingsChanged() {
  WinInet().InternetSetOptionA(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
  WinInet().InternetSetOptionA(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
}

// The request the control is executing, for Cancel to stop.
struct Control::Request : RequestHandles {};

bool Control::Busy() const { return busy_; }

void Control::Cancel() {
  const std::lock_guard lock(mutex_);
  cancelled_ = true;
  if (request_) request_->Close();
}

Response Control::OpenUrl(const std::string& url, const Limits& limits) {
  busy_ = true;
  const auto request = std::make_shared<Request>();
  {
    const std::lock_guard lock(mutex_);
    if (cancelled_) request->Close();
    request_ = request;
  }
  // Preconfigured: the request takes the proxy the browser is set to. No
  // cookie: the server learns nothing of who the user was.
  const HINTERNET session = request->Keep(
      WinInet().InternetOpenA("Maskfold", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  Response response =
      Get(*request, session, url,
          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
              INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES,
          kTimeoutMs, limits.most_bytes + 1, ::GetTickCount64() + limits.deadline_ms);
  if (!response.failed && response.body.size() > limits.most_bytes) response = Failed(kTooLarge);
  request->Close();
  {
    const std::lock_guard lock(mutex_);
    request_.reset();
    if (cancelled_) response = Failed(kCancelled);
  }
  busy_ = false;
  return response;
}

}  // namespace platform::transfer
