#include "browsers/cookie_database.h"

#include <optional>
#include <unordered_set>

#include "browsers/partition.h"
#include "sqlite3.h"

namespace browsers {
namespace {

using sqlite::Database;
using sqlite::Deadline;
using sqlite::Statement;
using sqlite::StateOf;

struct Shape {
  const char* table;
  const char* host_column;
  // The column naming the top-level site of a partitioned cookie; stores
  // older than partitioned cookies lack it.
  const char* partition_column;
  std::optional<std::string> (*partition_site)(std::string_view);
};

Shape ShapeOf(Family family) {
  return family == Family::kChromium
             ? Shape{"cookies", "host_key", "top_frame_site_key", &SiteOfTopFrameKey}
             : Shape{"moz_cookies", "host", "originAttributes", &PartitionSiteOfAttributes};
}

std::string_view ValueText(sqlite3_value* value) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  if (!text) return {};
  return {text, static_cast<std::size_t>(sqlite3_value_bytes(value))};
}

struct Keeping {
  const ProtectedSites* kept;
  const Shape* shape;
};

// SQL: keeps_cookie(host, partition) is 1 when the cookie stays.
void KeepsCookie(sqlite3_context* context, int count, sqlite3_value** values) {
  const auto* keeping = static_cast<const Keeping*>(sqlite3_user_data(context));
  const std::string_view host = ValueText(values[0]);
  const auto partition =
      count > 1 ? keeping->shape->partition_site(ValueText(values[1])) : std::string();
  sqlite3_result_int(context,
                     !host.empty() && KeepsPartitioned(*keeping->kept, host, partition) ? 1 : 0);
}

}  // namespace

HostsRead ReadHosts(const Store& store, std::chrono::milliseconds allowed) {
  Deadline deadline(allowed);
  Database database;
  if (const int result = sqlite::Open(store.database, SQLITE_OPEN_READONLY, deadline, database);
      result != SQLITE_OK)
    return {StateOf(result, database.get()), {}};
  const Shape shape = ShapeOf(store.family);
  const bool partitioned = sqlite::HasColumn(database.get(), shape.table, shape.partition_column);
  std::string sql = std::string("SELECT DISTINCT ") + shape.host_column;
  if (partitioned) sql += std::string(", ") + shape.partition_column;
  sql += std::string(" FROM ") + shape.table;
  Statement select;
  // Preparing reads the schema: a file that is not SQLite, a corrupt one or
  // one without the table or column fails here.
  if (const int result = sqlite::Prepare(database.get(), sql, select); result != SQLITE_OK)
    return {StateOf(result, database.get()), {}};
  HostsRead read;
  std::unordered_set<std::string> seen;
  const auto add = [&](std::string_view host) {
    if (!host.empty() && seen.emplace(host).second) read.hosts.emplace_back(host);
  };
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    add(sqlite::TextOf(select.get(), 0));
    if (partitioned)
      if (const auto site = shape.partition_site(sqlite::TextOf(select.get(), 1))) add(*site);
  }
  if (step != SQLITE_DONE) return {StateOf(step, database.get()), {}};
  return read;
}

WipeOutcome WipeStore(const Store& store, const ProtectedSites& kept,
                      const std::function<bool()>& copy_aside, std::chrono::milliseconds allowed) {
  const Shape shape = ShapeOf(store.family);
  Keeping keeping{&kept, &shape};
  const auto deleted = sqlite::DeleteRows(
      store.database, {shape.table},
      [&](sqlite3* database) {
        // Should the function not be there, the delete that calls it fails to
        // prepare, and the store is left as it was.
        sqlite3_create_function_v2(database, "keeps_cookie", -1,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, &keeping,
                                   KeepsCookie, nullptr, nullptr, nullptr);
        std::string sql = std::string("DELETE FROM ") + shape.table + " WHERE NOT keeps_cookie(" +
                          shape.host_column;
        if (sqlite::HasColumn(database, shape.table, shape.partition_column))
          sql += std::string(", ") + shape.partition_column;
        return std::vector<sqlite::Write>{{sql + ")"}};
      },
      copy_aside, allowed);
  return {deleted.state, deleted.rows};
}

}  // namespace browsers
