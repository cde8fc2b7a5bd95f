// Crowds of loopback proxies from tests/tools/probe_proxies.py, and the log
// of the connections their proxies accepted and saw closed.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace crowd {

struct Proxy {
  // silent, blackhole, refused, fast, slow, login, auth, noconnect
  std::string kind;
  std::string proxy;  // "127.0.0.1:port"
};

// A new crowd, e.g. Ask("silent=300&refused=40&fast=1"); empty when the
// server cannot be reached.
std::vector<Proxy> Ask(const std::string& query);

struct Connection {
  std::string kind;
  std::string port;
  std::string request;  // its request line, once it came
  bool closed = false;
};
// Every connection the crowds' proxies accepted so far, by its number.
std::map<int, Connection> Connections();

}  // namespace crowd
