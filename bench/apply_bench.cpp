// Apply's wall time on a large cache and cookies folder, beside the floor:
// the platform's parts of the same work made in a bare loop.
//
// Runs under Wine through tests/wine-run.sh (scripts/bench.sh does that).
#include <windows.h>

#include <shlobj.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/identifiers.h"
#include "driver.h"
#include "stopwatch.h"

namespace {

constexpr int kCacheEntries = 5000;
constexpr int kCookies = 2000;
constexpr int kProtected = 100;
constexpr int kRounds = 4;

std::string Url(int i) { return "http://bench.example/page" + std::to_string(i); }
std::string Cookie(int i) { return "user@site" + std::to_string(i) + "[1].txt"; }

void Fill(const std::string& cookies, const std::string& jar) {
  const std::string body = "cached page body";
  for (int i = 0; i < kCacheEntries; ++i) {
    char path[MAX_PATH] = {};
    ::CreateUrlCacheEntryA(Url(i).c_str(), 0, "htm", path, 0);
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, body.data(), static_cast<DWORD>(body.size()), &written, nullptr);
    ::CloseHandle(file);
    FILETIME never{};
    ::CommitUrlCacheEntryA(Url(i).c_str(), path, never, never, NORMAL_CACHE_ENTRY, nullptr, 0,
                           nullptr, nullptr);
  }
  const std::string text =
      "id\nvalue\nsite/\n1024\n2916341760\n31430000\n3564928448\n31000000\n*\n";
  for (int i = 0; i < kCookies; ++i) {
    const std::string path = cookies + "\\" + Cookie(i);
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
    if (i < kProtected) ::CopyFileA(path.c_str(), (jar + "\\" + Cookie(i)).c_str(), FALSE);
  }
}

// The parts of Apply the platform cannot do without, each on its own: the
// floor Apply is measured against.
double EnumerateAndDeleteEntries() {
  const double start = Seconds();
  std::vector<char> buffer(4104);
  auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
  DWORD size = 2048;
  HANDLE search = ::FindFirstUrlCacheEntryA(nullptr, info, &size);
  while (search) {
    ::DeleteUrlCacheEntryA(info->lpszSourceUrlName);
    size = 2048;
    if (!::FindNextUrlCacheEntryA(search, info, &size)) break;
  }
  if (search) ::FindCloseUrlCache(search);
  return Seconds() - start;
}

// One file operation as Apply makes it: the platform's confirmation shows,
// and is answered at once, as Apply's is.
double FileOperation(UINT function, const std::string& from, const std::string& to,
                     FILEOP_FLAGS flags) {
  const driver::DialogWatcher answers(::GetCurrentProcessId());
  const double start = Seconds();
  const std::string from_list = from + '\0' + '\0', to_list = to + '\0' + '\0';
  SHFILEOPSTRUCTA operation{};
  operation.wFunc = function;
  operation.pFrom = from_list.c_str();
  operation.pTo = to.empty() ? nullptr : to_list.c_str();
  operation.fFlags = flags;
  ::SHFileOperationA(&operation);
  return Seconds() - start;
}

double RecycleCookies(const std::string& cookies) {
  return FileOperation(FO_DELETE, cookies + "\\*.txt", "",
                       FOF_ALLOWUNDO | FOF_FILESONLY | FOF_NORECURSION);
}

double CopyJarBack(const std::string& cookies, const std::string& jar) {
  return FileOperation(FO_COPY, jar + "\\*.txt", cookies, FOF_FILESONLY | FOF_NORECURSION);
}

double Apply() {
  driver::Program program(driver::InstallProgram("Maskfold Bench"));
  if (!program.WaitForMainWindow()) return -1;
  // Through the loopback server, which answers the route check.
  program.SetProxyText(driver::LoopbackProxy());
  const double start = Seconds();
  program.ApplyAndWait();
  return Seconds() - start;
}

}  // namespace

int main() {
  char folder[MAX_PATH] = {};
  ::SHGetFolderPathA(nullptr, CSIDL_COOKIES | CSIDL_FLAG_CREATE, nullptr, 0, folder);
  const std::string cookies = folder;
  const std::string jar = cookies + "\\" + std::string(ids::kJarFolder);
  ::CreateDirectoryA(jar.c_str(), nullptr);
  driver::SetText(HKEY_LOCAL_MACHINE, driver::kCookiesKey, "Directory", cookies);

  std::printf("apply: %d cache entries, %d cookie files, %d of them in the jar\n", kCacheEntries,
              kCookies, kProtected);
  std::vector<double> applies, enumerates, recycles, copies;
  const auto parts = [&] {
    Fill(cookies, jar);
    enumerates.push_back(EnumerateAndDeleteEntries());
    // A fuller recycle bin is slower to add to: each starts empty.
    driver::EmptyTrash();
    recycles.push_back(RecycleCookies(cookies));
    copies.push_back(CopyJarBack(cookies, jar));
  };
  const auto apply_once = [&] {
    Fill(cookies, jar);
    driver::EmptyTrash();
    applies.push_back(Apply());
  };
  // The cache grows slower to work on from round to round: the two take
  // turns at going first.
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      parts();
      apply_once();
    } else {
      apply_once();
      parts();
    }
  }
  const double enumerate = Median(enumerates), recycle = Median(recycles), copy = Median(copies),
               apply = Median(applies);
  std::printf("median of %d rounds\n", kRounds);
  std::printf(
      "floor, the parts: enumerate and delete the cache %.3f s; cookies to the recycle bin %.3f "
      "s; the jar copied back %.3f s; together %.3f s\n",
      enumerate, recycle, copy, enumerate + recycle + copy);
  std::printf("Apply (dialogs answered at once): %.3f s\n", apply);
  std::printf("ratio: %.2f (goal: at most 1.1)\n", apply / (enumerate + recycle + copy));
  return 0;
}
