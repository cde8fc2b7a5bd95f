#include "proxytest/verdict.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "proxyswitch/proxy_switch.h"

namespace proxytest {

bool WorthAProbe(const std::string& proxy) { return !proxyswitch::CheckProxyText(proxy).problem; }

ProbeResult Judge(const std::string& proxy, std::size_t position, const ProbeOutcome& outcome,
                  std::int64_t milliseconds, ProbeKind kind) {
  ProbeResult result{proxy,        position,       Verdict::kUnreachable, outcome.http_status,
                     milliseconds, outcome.status, outcome.socket_status};
  // Whatever came back through it, such a proxy would not carry pages.
  if (kind == ProbeKind::kGet && !WorthAProbe(proxy)) {
    result.verdict = Verdict::kRefusedText;
    return result;
  }
  switch (outcome.status) {
    case ProbeStatus::kAnswered:
      if (kind == ProbeKind::kConnect)
        result.verdict = outcome.http_status / 100 == 2 ? Verdict::kWorks : Verdict::kHttpStatus;
      else if (outcome.http_status != 200)
        result.verdict = Verdict::kHttpStatus;
      else if (std::string_view(outcome.body).starts_with(kProbeAnswer))
        result.verdict = Verdict::kWorks;
      else
        result.verdict = Verdict::kUnexpectedAnswer;  // a login page, an advert
      break;
    case ProbeStatus::kNotHttp:
      // An answer that breaks HTTP came from something that answered, even
      // when the time is up.
      result.verdict = Verdict::kUnexpectedAnswer;
      break;
    case ProbeStatus::kProberFailed:
      result.verdict = Verdict::kNotTested;
      break;
    case ProbeStatus::kTimedOut:
      result.verdict = Verdict::kTimedOut;
      break;
    case ProbeStatus::kRefused:
    case ProbeStatus::kUnreachable:
      // A failure that comes when the time is up is a time-out, whatever
      // the system calls it: Wine, for one, has told a connection that ran
      // out of time as an aborted one.
      result.verdict = milliseconds >= kTimeoutMs ? Verdict::kTimedOut : Verdict::kUnreachable;
      break;
  }
  return result;
}

std::string Reason(const ProbeResult& result) {
  switch (result.verdict) {
    case Verdict::kWorks:
      return "works";
    case Verdict::kTimedOut:
      return "timed out";
    case Verdict::kHttpStatus:
      return "HTTP " + std::to_string(result.http_status);
    case Verdict::kUnexpectedAnswer:
      return "unexpected answer";
    case Verdict::kRefusedText:
      return proxyswitch::CheckProxyText(result.proxy).brief;
    case Verdict::kNotTested:
      return "not tested: the test failed";
    case Verdict::kUnreachable:
      break;
  }
  return "refused or unreachable";
}

void Rank(std::vector<ProbeResult>& results) {
  std::sort(results.begin(), results.end(), [](const ProbeResult& a, const ProbeResult& b) {
    const bool a_works = a.verdict == Verdict::kWorks, b_works = b.verdict == Verdict::kWorks;
    if (a_works != b_works) return a_works;
    if (a_works && a.milliseconds != b.milliseconds) return a.milliseconds < b.milliseconds;
    return a.position < b.position;
  });
}

std::vector<std::string> Candidates(const std::vector<std::string>& items) {
  std::vector<std::string> candidates;
  std::set<std::string> seen;
  for (const std::string& item : items)
    if (!item.empty() && seen.insert(item).second) candidates.push_back(item);
  return candidates;
}

}  // namespace proxytest
