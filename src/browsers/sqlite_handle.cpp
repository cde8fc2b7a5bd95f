#include "browsers/sqlite_handle.h"

#include "platform/files.h"
#include "sqlite3.h"

namespace browsers::sqlite {
namespace {

namespace files = platform::files;

// A browser's lock is held for the whole of its run; waiting for it longer
// than a moment gains nothing.
constexpr int kBusyWaitMs = 250;
// How many of SQLite's steps run between two looks at the clock.
constexpr int kStepsBetweenLooks = 1000;
// Windows' answers when another program holds the file without sharing it,
// as Chromium holds its stores while it runs.
constexpr int kSharingViolation = 32;
constexpr int kLockViolation = 33;

int Execute(sqlite3* database, const char* sql) {
  return sqlite3_exec(database, sql, nullptr, nullptr, nullptr);
}

// The first column of a one-row answer; SQLITE_ROW when there is one.
int SingleText(sqlite3* database, const std::string& sql, std::string& text) {
  Statement statement;
  if (const int result = Prepare(database, sql, statement); result != SQLITE_OK) return result;
  const int step = sqlite3_step(statement.get());
  if (step == SQLITE_ROW) text = TextOf(statement.get(), 0);
  return step;
}

// No browser puts a trigger into these databases, nor anything but a plain
// table in their tables' places: a delete in such a store could run
// anything, or change nothing while it reports success.
StoreState CheckSchema(sqlite3* database, const std::vector<std::string>& tables) {
  std::string sql =
      "SELECT name FROM sqlite_schema WHERE type = 'trigger' OR ((type <> 'table' OR sql LIKE "
      "'CREATE VIRTUAL%') AND name COLLATE NOCASE IN (";
  for (std::size_t i = 0; i < tables.size(); ++i) {
    if (i) sql += ", ";
    sql += "'" + tables[i] + "'";
  }
  sql += ")) LIMIT 1";
  std::string unusual;
  const int step = SingleText(database, sql, unusual);
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
StoreState CheckFile(const std::string& path) {
  const auto attributes = files::Attributes(path);
  if (!attributes) return StoreState::kDone;  // SQLite tells a missing file
  if (files::IsLink(path)) return StoreState::kLink;
  if (*attributes & files::kAttributeReadOnly) return StoreState::kReadOnly;
  return StoreState::kDone;
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

// A store left as it was, and why.
RowsDeleted Left(StoreState why) { return {why, 0, {}}; }

}  // namespace

void CloseDatabase::operator()(sqlite3* database) const { sqlite3_close_v2(database); }
void FinalizeStatement::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

void Deadline::Restart(std::chrono::milliseconds allowed) {
  end_ = std::chrono::steady_clock::now() + allowed;
}
void Deadline::Watch(sqlite3* database) {
  sqlite3_progress_handler(database, kStepsBetweenLooks, &Deadline::Passed, this);
}
int Deadline::Passed(void* self) {
  return std::chrono::steady_clock::now() >= static_cast<Deadline*>(self)->end_;
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

int Open(const std::string& path, int flags, Deadline& deadline, Database& database) {
  sqlite3* opened = nullptr;
  const int result = sqlite3_open_v2(files::PathAsUtf8(path).c_str(), &opened,
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

bool HasColumn(sqlite3* database, const char* table, const char* column) {
  return sqlite3_table_column_metadata(database, "main", table, column, nullptr, nullptr, nullptr,
                                       nullptr, nullptr) == SQLITE_OK;
}

std::string_view TextOf(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  if (!text) return {};
  return {text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))};
}

RowsDeleted DeleteRows(const std::string& path, const std::vector<std::string>& tables,
                       const std::function<std::vector<Write>(sqlite3*)>& add_functions,
                       const std::function<bool()>& copy_aside, std::chrono::milliseconds allowed) {
  if (const StoreState file = CheckFile(path); file != StoreState::kDone) return Left(file);
  Deadline deadline(allowed);
  Database database;
  if (const int result = Open(path, SQLITE_OPEN_READWRITE, deadline, database); result != SQLITE_OK)
    return Left(StateOf(result, database.get()));
  // SQLite opens a file it may not write read-only without a word.
  if (sqlite3_db_readonly(database.get(), "main") == 1) return Left(StoreState::kReadOnly);
  const std::vector<Write> writes = add_functions(database.get());
  std::vector<Statement> statements(writes.size());
  // Preparing reads the schema: a file that is not SQLite, a corrupt one or
  // one without a table or column fails here.
  for (std::size_t i = 0; i < writes.size(); ++i)
    if (const int result = Prepare(database.get(), writes[i].sql, statements[i]);
        result != SQLITE_OK)
      return Left(StateOf(result, database.get()));
  // The write lock first: from here no other program changes the files, so
  // the checks and the copy see the database as it will be written.
  Transaction transaction(database.get());
  if (const int result = transaction.Begin(); result != SQLITE_OK)
    return Left(StateOf(result, database.get()));
  if (const StoreState schema = CheckSchema(database.get(), tables); schema != StoreState::kDone)
    return Left(schema);
  if (const StoreState pages = CheckPages(database.get()); pages != StoreState::kDone)
    return Left(pages);
  if (!copy_aside()) return Left(StoreState::kNotCopied);
  // The copy's time is the recycle bin's, not the store's.
  deadline.Restart(allowed);
  RowsDeleted deleted;
  for (std::size_t i = 0; i < writes.size(); ++i) {
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statements[i].get())) == SQLITE_ROW)
      deleted.returned.push_back(sqlite3_column_int64(statements[i].get(), 0));
    if (step != SQLITE_DONE) return Left(StateOf(step, database.get()));
    if (writes[i].counted)
      deleted.rows += static_cast<std::size_t>(sqlite3_changes(database.get()));
    statements[i].reset();
  }
  if (const int result = transaction.Commit(); result != SQLITE_OK)
    return Left(StateOf(result, database.get()));
  return deleted;
}

}  // namespace browsers::sqlite
