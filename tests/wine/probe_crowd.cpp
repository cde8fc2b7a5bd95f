#include "probe_crowd.h"

#include <windows.h>

#include <wininet.h>

#include <cstdlib>
#include <sstream>

#include "driver.h"

namespace crowd {

std::vector<Proxy> Ask(const std::string& query) {
  const char* port = std::getenv("MASKFOLD_PROBE_CROWD_PORT");
  std::vector<Proxy> crowd;
  if (!port) return crowd;
  const HINTERNET session =
      ::InternetOpenA("probe_crowd", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  const std::string url = "http://127.0.0.1:" + std::string(port) + "/crowd?" + query;
  const HINTERNET request =
      session ? ::InternetOpenUrlA(session, url.c_str(), nullptr, 0,
                                   INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0)
              : nullptr;
  std::string body;
  char buffer[4096];
  DWORD read = 0;
  while (request && ::InternetReadFile(request, buffer, sizeof buffer, &read) && read > 0)
    body.append(buffer, read);
  if (request) ::InternetCloseHandle(request);
  if (session) ::InternetCloseHandle(session);
  std::istringstream lines(body);
  for (std::string kind, number; lines >> kind >> number;)
    crowd.push_back({kind, "127.0.0.1:" + number});
  return crowd;
}

std::map<int, Connection> Connections() {
  const char* log = std::getenv("MASKFOLD_PROBE_CONNECTIONS");
  std::istringstream lines(log ? driver::ReadFileBytes(log) : "");
  std::map<int, Connection> connections;
  // "open ID KIND PORT", "request ID KIND PORT REQUEST-LINE" or "close ID
  // KIND PORT"; a last line may be half written.
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string event, kind, port;
    int id = 0;
    if (!(words >> event >> id >> kind >> port)) continue;
    connections[id].kind = kind;
    connections[id].port = port;
    if (event == "close") connections[id].closed = true;
    if (event == "request") std::getline(words >> std::ws, connections[id].request);
  }
  return connections;
}

}  // namespace crowd
