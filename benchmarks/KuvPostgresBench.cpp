// Filtering inside PostgreSQL with the kuv extension: count(*) of the W1
// objects that kuv_visible passes, in a server that has the extension
// installed, named by the libpq connection string in KUV_PG_CONNINFO (each
// case reports an error without it). Compare with BM_ApplyQuery/1, the same
// objects and filter in one library call:
//
//   kuv_benchmarks --benchmark_filter='BM_ApplyQuery/1$|BM_PostgresVisible'
//
// The million rows are loaded once into kuv_bench_w1, kept between runs.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <Kuv.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "KuvFilteringWorkloads.h"

namespace {

using namespace kuv_bench;

struct Connection {
  PGconn* conn = nullptr;
  std::string error;  // empty when the table is ready
  int expectedPassed = 0;

  ~Connection() { PQfinish(conn); }

  bool run(const std::string& sql) {
    PGresult* result = PQexec(conn, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) error = sql + ": " + PQresultErrorMessage(result);
    PQclear(result);
    return error.empty();
  }
  long long count(const std::string& sql, const std::vector<std::uint8_t>* parameter = nullptr) {
    const char* value = parameter ? reinterpret_cast<const char*>(parameter->data()) : nullptr;
    const int length = parameter ? static_cast<int>(parameter->size()) : 0, binary = 1;
    PGresult* result = PQexecParams(conn, sql.c_str(), parameter ? 1 : 0, nullptr, &value, &length, &binary, 0);
    long long n = -1;
    if (PQresultStatus(result) == PGRES_TUPLES_OK) n = std::atoll(PQgetvalue(result, 0, 0));
    else error = sql + ": " + PQresultErrorMessage(result);
    PQclear(result);
    return n;
  }

  // COPY's binary format: a header, then per row a field count, and the
  // field's length and bytes, all big-endian; -1 at the end.
  bool load(const Objects& o) {
    PGresult* started = PQexec(conn, "COPY kuv_bench_w1 (eff) FROM STDIN (FORMAT binary)");
    const bool copying = PQresultStatus(started) == PGRES_COPY_IN;
    PQclear(started);
    if (!copying) return run("COPY kuv_bench_w1 (eff) FROM STDIN (FORMAT binary)");
    std::string chunk("PGCOPY\n\377\r\n\0\0\0\0\0\0\0\0\0", 19);
    auto put = [&](std::uint32_t value, int bytes) {
      for (int i = bytes - 1; i >= 0; --i) chunk.push_back(static_cast<char>(value >> (8 * i)));
    };
    for (int i = 0; i < o.count; ++i) {
      put(1, 2);
      put(o.sizes[i], 4);
      chunk.append(reinterpret_cast<const char*>(o.binaries[i]), o.sizes[i]);
      if (chunk.size() > (1u << 20) || i + 1 == o.count) {
        if (i + 1 == o.count) put(0xFFFF, 2);
        if (PQputCopyData(conn, chunk.data(), static_cast<int>(chunk.size())) != 1) break;
        chunk.clear();
      }
    }
    if (PQputCopyEnd(conn, nullptr) != 1) error = PQerrorMessage(conn);
    PGresult* done = PQgetResult(conn);
    if (PQresultStatus(done) != PGRES_COMMAND_OK) error = std::string("COPY: ") + PQresultErrorMessage(done);
    PQclear(done);
    return error.empty();
  }
};

Connection& connection() {
  static const std::unique_ptr<Connection> made = [] {
    auto c = std::make_unique<Connection>();
    const char* conninfo = std::getenv("KUV_PG_CONNINFO");
    if (conninfo == nullptr) {
      c->error = "KUV_PG_CONNINFO is not set: no PostgreSQL server to measure in";
      return c;
    }
    c->conn = PQconnectdb(conninfo);
    if (PQstatus(c->conn) != CONNECTION_OK) {
      c->error = PQerrorMessage(c->conn);
      return c;
    }
    const Objects& o = objects(W1);
    if (!c->run("SET client_min_messages = warning") || !c->run("CREATE EXTENSION IF NOT EXISTS kuv") ||
        !c->run("CREATE TABLE IF NOT EXISTS kuv_bench_w1 (eff bytea)"))
      return c;
    if (c->count("SELECT count(*) FROM kuv_bench_w1") != o.count &&
        !(c->run("TRUNCATE kuv_bench_w1") && c->load(o) && c->run("VACUUM ANALYZE kuv_bench_w1")))
      return c;
    silenceReaders();
    const std::vector<std::uint8_t> filter = filterBinary(W1);
    int* results = nullptr;
    KuvFilteringServices::ApplyQuery(filter.data(), static_cast<unsigned int>(filter.size()), o.binaries.data(),
                                     o.sizes.data(), static_cast<unsigned int>(o.count), results);
    for (int i = 0; results != nullptr && i < o.count; ++i) c->expectedPassed += results[i] == 1 ? 1 : 0;
    std::free(results);
    return c;
  }();
  return *made;
}

// state.range(0) parallel workers at most; with 2 the planner is told that
// starting them costs nothing, so it always does.
void BM_PostgresVisible(benchmark::State& state) {
  Connection& c = connection();
  const int workers = static_cast<int>(state.range(0));
  if (c.error.empty())
    c.run("SET max_parallel_workers_per_gather = " + std::to_string(workers) +
          "; SET parallel_setup_cost = 0; SET parallel_tuple_cost = 0");
  if (!c.error.empty()) {
    state.SkipWithError(c.error.c_str());
    return;
  }
  const std::vector<std::uint8_t> filter = filterBinary(W1);
  const std::string sql = "SELECT count(*) FROM kuv_bench_w1 WHERE kuv_visible($1, eff) = 1";
  for (auto _ : state) {
    const long long passed = c.count(sql, &filter);
    if (passed != c.expectedPassed) {
      state.SkipWithError(("counted " + std::to_string(passed) + ", ApplyQuery passes " +
                           std::to_string(c.expectedPassed) + " " + c.error)
                              .c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * objects(W1).count);
  state.counters["passed%"] = 100.0 * c.expectedPassed / objects(W1).count;
}
BENCHMARK(BM_PostgresVisible)->Arg(0)->Arg(2)->ArgName("workers")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
