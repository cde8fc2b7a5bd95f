// What every wipe of a browser's SQLite database shares: the handles, the
// deadline, the checks before a write, and the one transaction in which the
// rows of unprotected sites are deleted. Only a database shaped as its
// browser writes it is ever written: a trigger anywhere, or a view or a
// virtual table in one of its tables' places, leaves it as it is.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace browsers {

enum class StoreState {
  kDone,
  kBusy,       // locked or held open without sharing: its browser has it open
  kNotAStore,  // not SQLite, or without the table and column
  kUnusual,    // a trigger, or the table not a plain table
  kDamaged,    // SQLite's quick check finds it corrupt
  kReadOnly,   // the file is read-only
  kLink,       // the file is a link to somewhere else
  kTimedOut,   // its work did not end before the deadline; rolled back
  kNotCopied,  // the copy for the recycle bin failed: nothing was changed
};

// Each store's own work (not its copy) ends by this time, so that a huge or
// hostile database cannot hold Apply and, with it, Exit.
inline constexpr std::chrono::milliseconds kStoreDeadline{15000};

namespace sqlite {

struct CloseDatabase {
  void operator()(sqlite3* database) const;
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

struct FinalizeStatement {
  void operator()(sqlite3_stmt* statement) const;
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// The time by which a store's work must end; SQLite's progress handler
// interrupts the statement running then.
class Deadline {
 public:
  explicit Deadline(std::chrono::milliseconds allowed) { Restart(allowed); }
  void Restart(std::chrono::milliseconds allowed);
  void Watch(sqlite3* database);

 private:
  static int Passed(void* self);
  std::chrono::steady_clock::time_point end_;
};

StoreState StateOf(int result, sqlite3* database);

// Opens an existing database only (a missing file is never created),
// defensively: the schema's own SQL may call no function of ours.
int Open(const std::string& path, int flags, Deadline& deadline, Database& database);
int Prepare(sqlite3* database, const std::string& sql, Statement& statement);
// True when the table has the column; false for a missing table too.
bool HasColumn(sqlite3* database, const char* table, const char* column);

// The text of a column, empty for NULL.
std::string_view TextOf(sqlite3_stmt* statement, int column);

// One statement of a wipe: a DELETE, perhaps with RETURNING of one integer
// column, or a bookkeeping UPDATE whose rows are not counted.
struct Write {
  std::string sql;
  bool counted = true;
};

// What is deleted; the integers the statements returned.
struct RowsDeleted {
  StoreState state = StoreState::kDone;
  std::size_t rows = 0;
  std::vector<std::int64_t> returned;
};

// Writes the database at path in one transaction: opens it for writing,
// lets add_functions register the SQL functions the writes call and name
// the writes (it may look at the schema first), takes the write lock, checks that
// no trigger is there and that each table is a plain one, runs SQLite's
// quick check, calls copy_aside, then runs the deletes and commits. Any
// failure leaves the database as it was.
RowsDeleted DeleteRows(const std::string& path, const std::vector<std::string>& tables,
                       const std::function<std::vector<Write>(sqlite3*)>& add_functions,
                       const std::function<bool()>& copy_aside, std::chrono::milliseconds allowed);

}  // namespace sqlite
}  // namespace browsers
