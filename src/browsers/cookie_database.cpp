#include "browsers/cookie_database.h"

#include <memory>

#include "platform/files.h"
#include "sqlite3.h"

namespace browsers {
namespace {

namespace files = platform::files;
using Clock = std::chrono::steady_clock;

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
// How many of SQLite's steps run between two looks at the clock.
constexpr int kStepsBetweenLooks = 1000;
// Windows' answers when another program holds the file without sharing it,
// as Chromium holds its store while it runs.
constexpr int kSharingViolation = 32;
constexpr int kLockViolation = 33;

struct Shape {
  const char* table;
  const char* host_column;
};

Shape ShapeOf(Family family) {
  return family == Family::kChromium ? Shape{"cookies", "host_key"} : Shape{"moz_cookies", "host"};
}

StoreState StateOf(int result, sqlite3* database) {
  switch (result & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return StoreState::kBusy;
    case SQLITE_INTERRUPT:
      return StoreState::kTimedOut;
    case SQLITE_CORRUPT:
      return StoreState::kDamaged;
    case SQLITE_READONLY:
      return StoreState::kReadOnly;
    case SQLITE_CANTOPEN: {
      const int system = database ? sqlite3_system_errno(database) : 0;
      return system == kSharingViolation || system == kLockViolation ? StoreState::kBusy
                                                                     : StoreState::kNotAStore;
    }
    default:
      return StoreState::kNotAStore;
  }
}

// The time by which a store's work must end; SQLite's progress handler
// interrupts the statement running then.
class Deadline {
 public:
  explicit Deadline(std::chrono::milliseconds allowed) { Restart(allowed); }
  void Restart(std::chrono::milliseconds allowed) { end_ = Clock::now() + allowed; }
  void Watch(sqlite3* database) {
    sqlite3_progress_handler(database, kStepsBetweenLooks, &Deadline::Passed, this);
  }

 private:
  static int Passed(void* self) { return Clock::now() >= static_cast<Deadline*>(self)->end_; }
  Clock::time_point end_;
};

// Opens an existing database only: a missing file is never created. Opened
// defensively: the schema's own SQL (a trigger's, a view's) may call no
// function of ours, and the file's structures cannot be written directly.
int Open(const Store& store, int flags, Deadline& deadline, Database& database) {
  sqlite3* opened = nullptr;
  const int result = sqlite3_open_v2(files::PathAsUtf8(store.database).c_str(), &opened,
                                     flags | SQLITE_OPEN_FULLMUTEX, nullptr);
  database.reset(opened);
  if (result != SQLITE_OK) return result;
  sqlite3_extended_result_codes(opened, 1);
  sqlite3_db_config(opened, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(opened, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_busy_timeout(opened, kBusyWaitMs);
  deadline.Watch(opened);
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

// The first column of a one-row answer; SQLITE_ROW when there is one.
int SingleText(sqlite3* database, const std::string& sql, std::string& text) {
  Statement statement;
  if (const int result = Prepare(database, sql, statement); result != SQLITE_OK) return result;
  const int step = sqlite3_step(statement.get());
  if (step == SQLITE_ROW)
    if (const auto* value = sqlite3_column_text(statement.get(), 0))
      text.assign(reinterpret_cast<const char*>(value), sqlite3_column_bytes(statement.get(), 0));
  return step;
}

// No browser puts a trigger into its cookies database, nor anything but a
// plain table in the cookies' place: a delete in such a store could run
// anything, or change nothing while it reports success.
StoreState CheckSchema(sqlite3* database, const Shape& shape) {
  std::string unusual;
  const int step = SingleText(database,
                              std::string("SELECT name FROM sqlite_schema WHERE type = 'trigger' "
                                          "OR (name = '") +
                                  shape.table +
                                  "' COLLATE NOCASE AND (type <> 'table' OR sql LIKE "
                                  "'CREATE VIRTUAL%')) LIMIT 1",
                              unusual);
  if (step == SQLITE_ROW) return StoreState::kUnusual;
  return step == SQLITE_DONE ? StoreState::kDone : StateOf(step, database);
}

// SQLite's quick check of every page, inside the write lock: a damaged
// store is never written, since a write could lose what is still readable.
StoreState CheckPages(sqlite3* database) {
  std::string answer;
  const int step = SingleText(database, "PRAGMA quick_check(1)", answer);
  if (step != SQLITE_ROW)
    return step == SQLITE_DONE ? StoreState::kDamaged : StateOf(step, database);
  return answer == "ok" ? StoreState::kDone : StoreState::kDamaged;
}

// What the file itself is, before SQLite opens it.
StoreState CheckFile(const Store& store) {
  const auto attributes = files::Attributes(store.database);
  if (!attributes) return StoreState::kDone;  // SQLite tells a missing file
  if (files::IsLink(store.database)) return StoreState::kLink;
  if (*attributes & files::kAttributeReadOnly) return StoreState::kReadOnly;
  return StoreState::kDone;
}

// SQL: keeps_host(host) is 1 when a protected site keeps the host.
void KeepsHost(sqlite3_context* context, int, sqlite3_value** values) {
  const auto* kept = static_cast<const ProtectedSites*>(sqlite3_user_data(context));
  const auto* host = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
  const int length = sqlite3_value_bytes(values[0]);
  sqlite3_result_int(context, host && kept->Keeps(std::string_view(host, length)) ? 1 : 0);
}

// Ends the write transaction unless it was committed.
class Transaction {
 public:
  explicit Transaction(sqlite3* database) : database_(database) {}
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction() {
    if (open_) Execute(database_, "ROLLBACK");
  }
  int Begin() {
    const int result = Execute(database_, "BEGIN IMMEDIATE");
    open_ = result == SQLITE_OK;
    return result;
  }
  int Commit() {
    const int result = Execute(database_, "COMMIT");
    if (result == SQLITE_OK) open_ = false;
    return result;
  }

 private:
  sqlite3* database_;
  bool open_ = false;
};

}  // namespace

HostsRead ReadHosts(const Store& store, std::chrono::milliseconds allowed) {
  Deadline deadline(allowed);
  Database database;
  if (const int result = Open(store, SQLITE_OPEN_READONLY, deadline, database); result != SQLITE_OK)
    return {StateOf(result, database.get()), {}};
  const Shape shape = ShapeOf(store.family);
  Statement select;
  // Preparing reads the schema: a file that is not SQLite, a corrupt one or
  // one without the table or column fails here.
  if (const int result = Prepare(
          database.get(),
          std::string("SELECT DISTINCT ") + shape.host_column + " FROM " + shape.table, select);
      result != SQLITE_OK)
    return {StateOf(result, database.get()), {}};
  HostsRead read;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW)
    if (const auto* host = sqlite3_column_text(select.get(), 0))
      read.hosts.emplace_back(reinterpret_cast<const char*>(host),
                              sqlite3_column_bytes(select.get(), 0));
  if (step != SQLITE_DONE) return {StateOf(step, database.get()), {}};
  return read;
}

WipeOutcome WipeStore(const Store& store, const ProtectedSites& kept,
                      const std::function<bool()>& copy_aside, std::chrono::milliseconds allowed) {
  if (const StoreState file = CheckFile(store); file != StoreState::kDone) return {file};
  Deadline deadline(allowed);
  Database database;
  if (const int result = Open(store, SQLITE_OPEN_READWRITE, deadline, database);
      result != SQLITE_OK)
    return {StateOf(result, database.get())};
  // SQLite opens a file it may not write read-only without a word.
  if (sqlite3_db_readonly(database.get(), "main") == 1) return {StoreState::kReadOnly};
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
    return {StateOf(result, database.get())};
  // The write lock first: from here no other program changes the files, so
  // the checks and the copy see the database as it will be written.
  Transaction transaction(database.get());
  if (const int result = transaction.Begin(); result != SQLITE_OK)
    return {StateOf(result, database.get())};
  if (const StoreState schema = CheckSchema(database.get(), shape); schema != StoreState::kDone)
    return {schema};
  if (const StoreState pages = CheckPages(database.get()); pages != StoreState::kDone)
    return {pages};
  if (!copy_aside()) return {StoreState::kNotCopied};
  // The copy's time is the recycle bin's, not the store's.
  deadline.Restart(allowed);
  const int deleted = sqlite3_step(erase.get());
  const auto count = static_cast<std::size_t>(sqlite3_changes(database.get()));
  erase.reset();
  if (deleted != SQLITE_DONE) return {StateOf(deleted, database.get())};
  if (const int result = transaction.Commit(); result != SQLITE_OK)
    return {StateOf(result, database.get())};
  return {StoreState::kDone, count};
}

}  // namespace browsers
