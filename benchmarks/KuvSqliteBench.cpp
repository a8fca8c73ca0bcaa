// Filtering inside SQLite: SELECT count(*) with kuv_visible over the W1
// objects stored in a table, in memory and in a file, beside a scan that
// only measures the bytes' length (SQLite's own cost per row). Compare
// with BM_ApplyQuery/1 in the same run.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "KuvFilteringWorkloads.h"

namespace {

using namespace kuv_bench;

enum Storage : int { Memory = 0, File = 1 };

// The W1 objects in table t(id, eff) of an open database; the file one
// in the temporary directory, removed at exit.
class Database {
public:
  explicit Database(Storage storage) {
    if (storage == File) {
      m_path = (std::filesystem::temp_directory_path() / "kuv_sqlite_bench.db").string();
      std::filesystem::remove(m_path);
    }
    if (sqlite3_open(storage == File ? m_path.c_str() : ":memory:", &m_db) != SQLITE_OK) return;
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 1, nullptr);
    if (sqlite3_load_extension(m_db, KUV_SQLITE_EXTENSION, nullptr, nullptr) != SQLITE_OK) return;
    sqlite3_exec(m_db, "CREATE TABLE t(id INTEGER PRIMARY KEY, eff BLOB); BEGIN", nullptr, nullptr, nullptr);
    const Objects& o = objects(W1);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(m_db, "INSERT INTO t(eff) VALUES (?)", -1, &insert, nullptr);
    for (int i = 0; i < o.count; ++i) {
      sqlite3_bind_blob(insert, 1, o.binaries[i], static_cast<int>(o.sizes[i]), SQLITE_STATIC);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    m_ready = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ~Database() {
    sqlite3_close(m_db);
    if (!m_path.empty()) std::filesystem::remove(m_path);
  }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Null when it could not be made.
  sqlite3* get() const { return m_ready ? m_db : nullptr; }

private:
  sqlite3* m_db = nullptr;
  std::string m_path;
  bool m_ready = false;
};

// Made once per storage and kept.
sqlite3* database(Storage storage) {
  static std::unique_ptr<Database> made[2];
  if (!made[storage]) made[storage] = std::make_unique<Database>(storage);
  return made[storage]->get();
}

void countRows(benchmark::State& state, const char* sql, bool bindFilter) {
  silenceReaders();
  sqlite3* db = database(static_cast<Storage>(state.range(0)));
  sqlite3_stmt* query = nullptr;
  if (db == nullptr || sqlite3_prepare_v2(db, sql, -1, &query, nullptr) != SQLITE_OK) {
    state.SkipWithError("no database");
    return;
  }
  const std::vector<std::uint8_t> filter = filterBinary(W1);
  if (bindFilter) sqlite3_bind_blob(query, 1, filter.data(), static_cast<int>(filter.size()), SQLITE_STATIC);
  const int count = objects(W1).count;
  long long passed = 0;
  for (auto _ : state) {
    if (sqlite3_step(query) != SQLITE_ROW) state.SkipWithError(sqlite3_errmsg(db));
    passed = sqlite3_column_int64(query, 0);
    sqlite3_reset(query);
  }
  sqlite3_finalize(query);
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["passed%"] = 100.0 * static_cast<double>(passed) / count;
}

void BM_SqliteVisibleCount(benchmark::State& state) {
  countRows(state, "SELECT count(*) FROM t WHERE kuv_visible(?, eff)", true);
}
BENCHMARK(BM_SqliteVisibleCount)->Arg(Memory)->Arg(File)->Unit(benchmark::kMillisecond);

void BM_SqliteScanCount(benchmark::State& state) {
  countRows(state, "SELECT count(*) FROM t WHERE eff <> x''", false);
}
BENCHMARK(BM_SqliteScanCount)->Arg(Memory)->Arg(File)->Unit(benchmark::kMillisecond);

}  // namespace
