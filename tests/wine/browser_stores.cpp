#include "browser_stores.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <random>
#include <stdexcept>

#include "driver.h"
#include "sqlite3.h"

namespace driver {
namespace {

// As the browsers create them (Chromium's cookies version 24, Firefox's
// moz_cookies of schema 14 and later).
constexpr char kChromiumSchema[] =
    "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
    "INSERT INTO meta VALUES('mmap_status','-1'),('version','24'),"
    "('last_compatible_version','24');"
    "CREATE TABLE cookies(creation_utc INTEGER NOT NULL,host_key TEXT NOT NULL,"
    "top_frame_site_key TEXT NOT NULL,name TEXT NOT NULL,value TEXT NOT NULL,"
    "encrypted_value BLOB NOT NULL,path TEXT NOT NULL,expires_utc INTEGER NOT NULL,"
    "is_secure INTEGER NOT NULL,is_httponly INTEGER NOT NULL,last_access_utc INTEGER NOT NULL,"
    "has_expires INTEGER NOT NULL,is_persistent INTEGER NOT NULL,priority INTEGER NOT NULL,"
    "samesite INTEGER NOT NULL,source_scheme INTEGER NOT NULL,source_port INTEGER NOT NULL,"
    "last_update_utc INTEGER NOT NULL,source_type INTEGER NOT NULL,"
    "has_cross_site_ancestor INTEGER NOT NULL);"
    "CREATE UNIQUE INDEX cookies_unique_index ON cookies(host_key, top_frame_site_key, "
    "has_cross_site_ancestor, name, path, source_scheme, source_port);";
constexpr char kChromiumInsert[] =
    "INSERT INTO cookies VALUES(?1, ?2, '', ?3, '', ?4, '/', ?1 + 31536000000000, 1, 0, ?1, 1, "
    "1, 1, -1, 2, 443, ?1, 0, 0)";
constexpr char kFirefoxSchema[] =
    "PRAGMA journal_mode=WAL;"
    "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT "
    "'', name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, "
    "creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER "
    "DEFAULT 0, sameSite INTEGER DEFAULT 0, rawSameSite INTEGER DEFAULT 0, schemeMap INTEGER "
    "DEFAULT 0, isPartitionedAttributeSet INTEGER DEFAULT 0, CONSTRAINT moz_uniqueid UNIQUE "
    "(name, host, path, originAttributes));";
constexpr char kFirefoxInsert[] =
    "INSERT INTO moz_cookies(name, value, host, path, expiry, lastAccessed, creationTime, "
    "isSecure, isHttpOnly) VALUES(?3, 'v', ?2, '/', 2000000000, ?1, ?1, 1, 0)";

std::string ShellFolder(int which) {
  char path[MAX_PATH] = {};
  if (::SHGetFolderPathA(nullptr, which | CSIDL_FLAG_CREATE, nullptr, 0, path) != S_OK)
    throw std::runtime_error("no shell folder");
  return path;
}

struct Db {
  explicit Db(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open " + path);
  }
  ~Db() { sqlite3_close(db); }
  void Exec(const char* sql) const {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db));
  }
  sqlite3* db = nullptr;
};

std::string MakeStore(const std::string& path, const char* schema, const char* insert,
                      const std::vector<Cookie>& cookies, bool keep_wal) {
  MakeFolders(path.substr(0, path.rfind('\\')));
  ::DeleteFileA(path.c_str());
  Db store(path);
  store.Exec(schema);
  if (keep_wal) {
    int persist = 1;
    sqlite3_file_control(store.db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
  }
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(store.db, insert, -1, &statement, nullptr);
  std::mt19937 random(7);
  sqlite3_int64 time = 13370000000000000;
  store.Exec("BEGIN");
  for (const auto& cookie : cookies) {
    std::string blob(32, '\0');
    for (char& byte : blob) byte = static_cast<char>(random());
    sqlite3_bind_int64(statement, 1, ++time);
    sqlite3_bind_text(statement, 2, cookie.host.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(statement, 3, cookie.name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_blob(statement, 4, blob.data(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(statement) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(store.db));
    sqlite3_reset(statement);
  }
  store.Exec("COMMIT");
  sqlite3_finalize(statement);
  return path;
}

}  // namespace

void MakeFolders(const std::string& path) {
  for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    ::CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  ::CreateDirectoryA(path.c_str(), nullptr);
}

std::string RoamingAppData() { return ShellFolder(CSIDL_APPDATA); }
std::string LocalAppData() { return ShellFolder(CSIDL_LOCAL_APPDATA); }

std::string MakeChromiumStore(const std::string& user_data, const std::string& profile,
                              const std::vector<Cookie>& cookies) {
  return MakeStore(user_data + "\\" + profile + R"(\Network\Cookies)", kChromiumSchema,
                   kChromiumInsert, cookies, false);
}

std::string MakeFirefoxStore(const std::string& profile, const std::vector<Cookie>& cookies) {
  const std::string home = RoamingAppData() + R"(\Mozilla\Firefox)";
  MakeFolders(home);
  const HANDLE ini = ::CreateFileA((home + "\\profiles.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, 0, nullptr);
  const std::string text = "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/" +
                           profile + "\r\nDefault=1\r\n\r\n[General]\r\nStartWithLastProfile=1\r\n";
  DWORD written = 0;
  ::WriteFile(ini, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(ini);
  return MakeStore(home + R"(\Profiles\)" + profile + R"(\cookies.sqlite)", kFirefoxSchema,
                   kFirefoxInsert, cookies, true);
}

OpenBrowser::OpenBrowser(const std::string& executable) {
  const std::string folder = R"(C:\Browser)";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string path = folder + "\\" + executable;
  ::CopyFileA((BuildFolder() + R"(\idle_program.exe)").c_str(), path.c_str(), FALSE);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string command = "\"" + path + "\"";
  ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                   nullptr, &startup, &info_);
}

OpenBrowser::~OpenBrowser() {
  ::TerminateProcess(info_.hProcess, 0);
  ::WaitForSingleObject(info_.hProcess, 5000);
  ::CloseHandle(info_.hProcess);
  ::CloseHandle(info_.hThread);
}

std::string MakeDatabase(const std::string& path, const char* sql) {
  MakeFolders(path.substr(0, path.rfind('\\')));
  ::DeleteFileA(path.c_str());
  Db(path).Exec(sql);
  return path;
}

std::vector<std::string> StoreHosts(const std::string& database) {
  Db store(database);
  std::vector<std::string> hosts;
  sqlite3_stmt* statement = nullptr;
  for (const char* sql : {"SELECT host_key FROM cookies", "SELECT host FROM moz_cookies"})
    if (sqlite3_prepare_v2(store.db, sql, -1, &statement, nullptr) == SQLITE_OK) break;
  while (statement && sqlite3_step(statement) == SQLITE_ROW)
    hosts.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
  sqlite3_finalize(statement);
  std::sort(hosts.begin(), hosts.end());
  return hosts;
}

std::string IntegrityCheck(const std::string& database) {
  Db store(database);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(store.db, "PRAGMA integrity_check", -1, &statement, nullptr);
  std::string answer = "no answer";
  if (sqlite3_step(statement) == SQLITE_ROW)
    answer = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  sqlite3_finalize(statement);
  return answer;
}

}  // namespace driver
