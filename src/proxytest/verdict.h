// What a probe through one proxy says of it, and the order the results are
// shown in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace proxytest {

// Windows' own connectivity probe, and what it answers when all is well.
inline constexpr char kProbeUrl[] = "http://www.msftconnecttest.com/connecttest.txt";
inline constexpr char kProbeAnswer[] = "Microsoft Connect Test";
// The verdict looks no further into the body than this: a probe reads no more.
inline constexpr std::size_t kAnswerBytes = sizeof kProbeAnswer - 1;
inline constexpr unsigned kTimeoutMs = 8000;
// Where a tunnel probe asks the proxy to connect: the probe's host, on the
// port of https.
inline constexpr char kTunnelTarget[] = "www.msftconnecttest.com:443";

// What a probe asks of a proxy: the probe URL's page, as a proxy for http is
// asked; or a tunnel to kTunnelTarget, as a proxy for https is asked (no TLS
// is spoken through it: the proxy's answer to the request says it all).
enum class ProbeKind { kGet, kConnect };

enum class Verdict {
  kWorks,
  kUnreachable,
  kTimedOut,
  kHttpStatus,
  kUnexpectedAnswer,
  kRefusedText,  // a text Apply refuses: its form, not a probe, says why
  kNotTested,    // the test itself failed before its probe ended
};

// How a probe ended, as far as the wire tells it.
enum class ProbeStatus {
  kAnswered,  // an HTTP answer came: its status and body say the rest
  kRefused,   // nothing listens there, and the host said so
  // No connection to speak of: the name was not found, there is no route,
  // or the proxy hung up before its answer's headers ended. A proxy that
  // hangs up carries pages no better than one that is not there.
  kUnreachable,
  kTimedOut,      // no connection, or no answer, in its time: alive, maybe, but no use
  kNotHttp,       // something answered, though not in HTTP: unlike a refusal, it is there
  kProberFailed,  // the prober's own failure: nothing is known of the proxy
};

// What the verdict is made from.
struct ProbeOutcome {
  ProbeStatus status = ProbeStatus::kProberFailed;
  int http_status = 0;
  std::string body{};  // its first kAnswerBytes
  // Winsock's code of the failure, 0 when none: not for the verdict, which
  // the status settles, but for a test's log.
  std::uint32_t socket_status = 0;
};

// False for an entry that Apply would refuse: it is judged without a probe.
bool WorthAProbe(const std::string& proxy);

struct ProbeResult {
  std::string proxy;
  std::size_t position = 0;  // in the list tested
  Verdict verdict = Verdict::kUnreachable;
  int http_status = 0;
  std::int64_t milliseconds = 0;
  // How the probe ended, for a test's log: one verdict covers a refusal
  // and a name not found alike.
  ProbeStatus ended = ProbeStatus::kProberFailed;
  std::uint32_t socket_status = 0;
};

// A tunnel works on any 2xx; a page only on a 200 that begins with the
// probe's answer.
ProbeResult Judge(const std::string& proxy, std::size_t position, const ProbeOutcome& outcome,
                  std::int64_t milliseconds, ProbeKind kind = ProbeKind::kGet);

// "works", "refused or unreachable", "timed out", "HTTP 404", "unexpected
// answer", "not tested: the test failed"; for a text Apply refuses, its
// reason in brief ("no port").
std::string Reason(const ProbeResult& result);

// Working proxies first, fastest first; then the failures in list order.
void Rank(std::vector<ProbeResult>& results);

// The items worth a test: each distinct, non-empty item once, in list order.
std::vector<std::string> Candidates(const std::vector<std::string>& items);

}  // namespace proxytest
