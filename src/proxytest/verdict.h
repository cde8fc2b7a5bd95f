// What a probe through one proxy says of it, and the order the results are
// shown in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/transfer.h"

namespace proxytest {

// Windows' own connectivity probe, and what it answers when all is well.
inline constexpr char kProbeUrl[] = "http://www.msftconnecttest.com/connecttest.txt";
inline constexpr char kProbeAnswer[] = "Microsoft Connect Test";
// The verdict looks no further into the body than this: a probe reads no more.
inline constexpr std::size_t kAnswerBytes = sizeof kProbeAnswer - 1;
inline constexpr unsigned kTimeoutMs = 8000;

enum class Verdict {
  kWorks,
  kUnreachable,
  kTimedOut,
  kHttpStatus,
  kUnexpectedAnswer,
  kNoHttpProxy,  // a form that names no proxy for http: pages would go direct
  kNotTested,    // the test itself failed before its probe ended
};

// The error of a probe the prober could not finish: its own failure, not
// the proxy's.
inline constexpr std::uint32_t kProberFailed = 0xFFFFFFFFu;

// False for an entry that Apply would refuse: it is judged without a probe.
bool WorthAProbe(const std::string& proxy);

struct ProbeResult {
  std::string proxy;
  std::size_t position = 0;  // in the list tested
  Verdict verdict = Verdict::kUnreachable;
  int status = 0;
  std::int64_t milliseconds = 0;
};

ProbeResult Judge(const std::string& proxy, std::size_t position,
                  const platform::transfer::Response& answer, std::int64_t milliseconds);

// "works", "refused or unreachable", "timed out", "HTTP 404", "unexpected
// answer", "no http proxy", "not tested: the test failed".
std::string Reason(const ProbeResult& result);

// Working proxies first, fastest first; then the failures in list order.
void Rank(std::vector<ProbeResult>& results);

// The items worth a test: each distinct, non-empty item once, in list order.
std::vector<std::string> Candidates(const std::vector<std::string>& items);

}  // namespace proxytest
