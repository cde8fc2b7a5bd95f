#include "browsers/cookie_database.h"

#include <memory>

#include "platform/files.h"
#include "sqlite3.h"

namespace browsers {
namespace {

struct CloseDatabase {
  void operator()(sqlite3* database) const { sqlite3_close_v2(database); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

struct FinalizeStatement {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// A browser's lock is held for the whole of its run; waiting for it longer
// than a moment gains nothing.
constexpr int kBusyWaitMs = 250;

struct Shape {
  const char* table;
  const char* host_column;
};

Shape ShapeOf(Family family) {
  return family == Family::kChromium ? Shape{"cookies", "host_key"} : Shape{"moz_cookies", "host"};
}

StoreState StateOf(int result) {
  const int primary = result & 0xFF;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED ? StoreState::kBusy
                                                            : StoreState::kNotAStore;
}

// Opens an existing database only: a missing file is never created.
int Open(const Store& store, int flags, Database& database) {
  sqlite3* opened = nullptr;
  const int result = sqlite3_open_v2(platform::files::PathAsUtf8(store.database).c_str(), &opened,
                                     flags | SQLITE_OPEN_FULLMUTEX, nullptr);
  database.reset(opened);
  if (result != SQLITE_OK) return result;
  sqlite3_busy_timeout(opened, kBusyWaitMs);
  sqlite3_extended_result_codes(opened, 1);
  return SQLITE_OK;
}

int Prepare(sqlite3* database, const std::string& sql, Statement& statement) {
  sqlite3_stmt* prepared = nullptr;
  const int result = sqlite3_prepare_v2(database, sql.c_str(), -1, &prepared, nullptr);
  statement.reset(prepared);
  return result;
}

int Execute(sqlite3* database, const char* sql) {
  return sqlite3_exec(database, sql, nullptr, nullptr, nullptr);
}

// SQL: keeps_host(host) is 1 when a protected site keeps the host.
void KeepsHost(sqlite3_context* context, int, sqlite3_value** values) {
  const auto* kept = static_cast<const ProtectedSites*>(sqlite3_user_data(context));
  const auto* host = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
  const int length = sqlite3_value_bytes(values[0]);
  sqlite3_result_int(context, host && kept->Keeps(std::string_view(host, length)) ? 1 : 0);
}

}  // namespace

HostsRead ReadHosts(const Store& store) {
  Database database;
  if (const int result = Open(store, SQLITE_OPEN_READONLY, database); result != SQLITE_OK)
    return {StateOf(result), {}};
  const Shape shape = ShapeOf(store.family);
  Statement select;
  // Preparing reads the schema: a file that is not SQLite, a corrupt one or
  // one without the table or column fails here.
  if (const int result = Prepare(
          database.get(),
          std::string("SELECT DISTINCT ") + shape.host_column + " FROM " + shape.table, select);
      result != SQLITE_OK)
    return {StateOf(result), {}};
  HostsRead read;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW)
    if (const auto* host = sqlite3_column_text(select.get(), 0))
      read.hosts.emplace_back(reinterpret_cast<const char*>(host),
                              sqlite3_column_bytes(select.get(), 0));
  if (step != SQLITE_DONE) return {StateOf(step), {}};
  return read;
}

WipeOutcome WipeStore(const Store& store, const ProtectedSites& kept,
                      const std::function<bool()>& copy_aside) {
  Database database;
  if (const int result = Open(store, SQLITE_OPEN_READWRITE, database); result != SQLITE_OK)
    return {StateOf(result)};
  const Shape shape = ShapeOf(store.family);
  sqlite3_create_function_v2(
      database.get(), "keeps_host", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY,
      const_cast<ProtectedSites*>(&kept), KeepsHost, nullptr, nullptr, nullptr);
  Statement erase;
  if (const int result = Prepare(database.get(),
                                 std::string("DELETE FROM ") + shape.table +
                                     " WHERE NOT keeps_host(" + shape.host_column + ")",
                                 erase);
      result != SQLITE_OK)
    return {StateOf(result)};
  // The write lock first: from here no other program changes the files, so
  // the copy is the database as it was.
  if (const int result = Execute(database.get(), "BEGIN IMMEDIATE"); result != SQLITE_OK)
    return {StateOf(result)};
  if (!copy_aside()) {
    Execute(database.get(), "ROLLBACK");
    return {StoreState::kNotCopied};
  }
  const int deleted = sqlite3_step(erase.get());
  const auto count = static_cast<std::size_t>(sqlite3_changes(database.get()));
  erase.reset();
  if (deleted != SQLITE_DONE) {
    Execute(database.get(), "ROLLBACK");
    return {StateOf(deleted)};
  }
  if (const int result = Execute(database.get(), "COMMIT"); result != SQLITE_OK) {
    Execute(database.get(), "ROLLBACK");
    return {StateOf(result)};
  }
  return {StoreState::kDone, count};
}

}  // namespace browsers
