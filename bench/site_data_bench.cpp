// Apply's wipe of a Chromium profile's site data: 2,000 origins with
// IndexedDB and CacheStorage folders and a Local Storage of 100,000 keys
// over them, 100 origins protected, beside the floor: a bare program that
// removes the same folders and deletes the same keys with one compaction.
// The wipe's own work on top (the plan, the link checks, setting the parts
// aside in the recycle bin, the reopen that proves the store) is what the
// ratio shows.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "browser_stores.h"
#include "browsers/sites.h"
#include "browsers/stores.h"
#include "leveldb/db.h"
#include "leveldb/write_batch.h"
#include "sitedata/site_data_wipe.h"
#include "stopwatch.h"

namespace {

constexpr int kOrigins = 2000, kKeys = 100000, kProtected = 100;

std::string Host(int i) { return "site" + std::to_string(i) + ".example"; }
std::string StorageKey(int i) { return "https://" + Host(i); }
std::string IndexedDb(int i) { return "https_" + Host(i) + "_0.indexeddb.leveldb"; }
std::string CacheFolder(int i) {
  char name[41];
  std::snprintf(name, sizeof name, "%040x", i);
  return name;
}
// The CacheStorage index as Chromium writes it: a protobuf whose field 2
// is the origin.
std::string CacheIndex(int i) {
  const std::string origin = StorageKey(i) + "/";
  std::string index = "\x0a\x00";
  index += '\x12';
  index += static_cast<char>(origin.size());
  index += origin;
  return index;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  const HANDLE file =
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

void RemoveAll(const std::string& path) {
  WIN32_FIND_DATAA found;
  const HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string inside = path + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveAll(inside);
      else
        ::DeleteFileA(inside.c_str());
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(path.c_str());
}

bool Protected(int origin) { return origin % (kOrigins / kProtected) == 0; }

// One profile: the folders of every origin, and the Local Storage.
void MakeProfile(const std::string& profile) {
  RemoveAll(profile);
  for (const char* folder : {"", "\\IndexedDB", "\\Service Worker",
                             "\\Service Worker\\CacheStorage", "\\Local Storage", "\\Network"})
    ::CreateDirectoryA((profile + folder).c_str(), nullptr);
  WriteFile(profile + "\\Network\\Cookies", "");
  for (int i = 0; i < kOrigins; ++i) {
    const std::string idb = profile + "\\IndexedDB\\" + IndexedDb(i);
    ::CreateDirectoryA(idb.c_str(), nullptr);
    WriteFile(idb + "\\CURRENT", "MANIFEST-000001\n");
    WriteFile(idb + "\\000003.log", std::string(2048, 'x'));
    const std::string cache = profile + "\\Service Worker\\CacheStorage\\" + CacheFolder(i);
    ::CreateDirectoryA(cache.c_str(), nullptr);
    WriteFile(cache + "\\index.txt", CacheIndex(i));
    WriteFile(cache + "\\data", std::string(4096, 'c'));
  }
  leveldb::Options options;
  options.create_if_missing = true;
  leveldb::DB* opened = nullptr;
  leveldb::DB::Open(options, profile + "\\Local Storage\\leveldb", &opened);
  const std::unique_ptr<leveldb::DB> db(opened);
  leveldb::WriteBatch batch;
  batch.Put("VERSION", "1");
  for (int i = 0; i < kOrigins; ++i) {
    std::string meta = "META:";
    meta += StorageKey(i);
    batch.Put(meta, "meta");
  }
  for (int k = 0; k < kKeys; ++k) {
    std::string key = "_";
    key += StorageKey(k % kOrigins);
    key += '\0';
    key += "\x01key";
    key += std::to_string(k);
    std::string value = "\x01value of the key ";
    value += std::to_string(k);
    batch.Put(key, value);
  }
  db->Write(leveldb::WriteOptions(), &batch);
}

// The floor: the same folders removed, the same keys deleted, one
// compaction.
void BareWipe(const std::string& profile) {
  for (int i = 0; i < kOrigins; ++i) {
    if (Protected(i)) continue;
    RemoveAll(profile + "\\IndexedDB\\" + IndexedDb(i));
    RemoveAll(profile + "\\Service Worker\\CacheStorage\\" + CacheFolder(i));
  }
  leveldb::DB* opened = nullptr;
  leveldb::DB::Open(leveldb::Options(), profile + "\\Local Storage\\leveldb", &opened);
  const std::unique_ptr<leveldb::DB> db(opened);
  leveldb::WriteBatch batch;
  const std::unique_ptr<leveldb::Iterator> keys(db->NewIterator(leveldb::ReadOptions()));
  for (keys->SeekToFirst(); keys->Valid(); keys->Next()) {
    const std::string key = keys->key().ToString();
    const auto start = key.find("https://site");
    if (start == std::string::npos) continue;
    const int origin = std::atoi(key.c_str() + start + 12);
    if (!Protected(origin)) batch.Delete(key);
  }
  db->Write(leveldb::WriteOptions(), &batch);
  db->CompactRange(nullptr, nullptr);
}

}  // namespace

int main() {
  const std::string user_data = driver::LocalAppData() + R"(\Google\Chrome\User Data)";
  driver::MakeFolders(user_data);
  const std::string profile = user_data + "\\Default";
  std::vector<std::string> sites;
  for (int i = 0; i < kOrigins; ++i)
    if (Protected(i)) sites.push_back(Host(i));
  const browsers::ProtectedSites kept(sites);
  const browsers::Store store{.browser = "Chrome",
                              .executable = "chrome.exe",
                              .profile = "Default",
                              .database = profile + R"(\Network\Cookies)",
                              .family = browsers::Family::kChromium,
                              .caches = {},
                              .folder = profile};
  std::vector<double> floors, wipes;
  std::size_t sites_gone = 0;
  for (int run = 0; run < 3; ++run) {
    MakeProfile(profile);
    double start = Seconds();
    BareWipe(profile);
    floors.push_back(Seconds() - start);
    MakeProfile(profile);
    start = Seconds();
    const sitedata::SiteDataReport report = sitedata::WipeSiteData({store}, kept);
    wipes.push_back(Seconds() - start);
    sites_gone = report.sites.size();
    if (const auto message = report.Message()) std::printf("told: %s\n", message->c_str());
  }
  const double floor = Median(floors), wipe = Median(wipes);
  std::printf(
      "site data: %d origins' IndexedDB and CacheStorage, %d Local Storage keys, %d "
      "protected; the data of %zu sites gone\n",
      kOrigins, kKeys, kProtected, sites_gone);
  std::printf("floor (the same folders removed, the same keys deleted, one compaction): %.3f s\n",
              floor);
  std::printf(
      "wipe (plan, link checks, parts set aside in the recycle bin, changes, reopen): %.3f s\n",
      wipe);
  std::printf("ratio: %.2f (goal: at most 1.5)\n", wipe / floor);
  return 0;
}
