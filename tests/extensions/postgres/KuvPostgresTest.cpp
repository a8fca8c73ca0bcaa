// The kuv extension for PostgreSQL: its glue against the library directly,
// then its SQL functions in a server that has the extension installed, named
// by the libpq connection string in KUV_PG_CONNINFO (skipped without it).
#include <libpq-fe.h>
#include <unistd.h>

#include "KuvFilteringWorkloads.h"
#include "kuv_glue.h"
#include "support/KuvTestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Answer = std::optional<int>;  // nullopt where SQL answers NULL
using kuv_bench::W1;

// What ApplyQuery answers for each object, NULL for an unreadable one.
std::vector<Answer> applyQuery(const Bytes& filter, const std::vector<Bytes>& objects) {
  std::vector<const std::uint8_t*> binaries;
  std::vector<unsigned int> sizes;
  for (const Bytes& object : objects) {
    binaries.push_back(object.data());
    sizes.push_back(static_cast<unsigned int>(object.size()));
  }
  int* results = nullptr;
  EXPECT_EQ(S_OK, KuvFilteringServices::ApplyQuery(filter.data(), static_cast<unsigned int>(filter.size()),
                                                   binaries.data(), sizes.data(),
                                                   static_cast<unsigned int>(objects.size()), results));
  std::vector<Answer> answers;
  for (std::size_t i = 0; results != nullptr && i < objects.size(); ++i)
    answers.push_back(results[i] < 0 ? Answer() : Answer(results[i]));
  std::free(results);
  return answers;
}

// The domain mask straight from the compiled binary reader.
Answer domainMask(const Bytes& object) {
  KuvBioBuffer in(object.data(), static_cast<std::uint32_t>(object.size()), 0);
  KuvInListVal domains(KuvInIntHolder::sType());
  if (KuvCompiledBinaryParser::GetValuatedDomains(in, domains) != S_OK) return Answer();
  int mask = 0;
  for (std::int32_t i = 0; i < domains.GetLength(); ++i)
    mask += 1 << (KuvInIntHolder::cast(*domains.Get(i))->getValue() - 1);
  return mask;
}

Bytes objectOf(kuv_bench::Workload w, int i) {
  static const kuv_bench::Objects w1(W1, 3000), w2(kuv_bench::W2, 1);
  const kuv_bench::Objects& o = w == W1 ? w1 : w2;
  return Bytes(o.binaries[i], o.binaries[i] + o.sizes[i]);
}

// Objects no reader should accept or crash on: every cut of a W1 object
// (selection and option leaves) and of a W2 object (serial and date
// leaves), every byte of them changed, and random bytes behind the header
// or without it.
std::vector<Bytes> damagedObjects(std::mt19937& random) {
  std::vector<Bytes> damaged;
  for (const Bytes& whole : {objectOf(W1, 0), objectOf(kuv_bench::W2, 0)}) {
    for (std::size_t n = 0; n < whole.size(); ++n) damaged.emplace_back(whole.begin(), whole.begin() + n);
    for (std::size_t at = 0; at < whole.size(); ++at) {
      damaged.push_back(whole);
      damaged.back()[at] ^= static_cast<std::uint8_t>(1 + random() % 255);
    }
  }
  const Bytes header = objectOf(W1, 0);
  for (int i = 0; i < 200; ++i) {
    Bytes bytes(1 + random() % 120);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
    if (i % 2 == 0) std::copy(header.begin(), header.begin() + 10, bytes.insert(bytes.begin(), 10, 0));
    damaged.push_back(bytes);
  }
  return damaged;
}

TEST(KuvPostgresGlue, AnswersAsTheLibraryAndPrintsNothingForDamagedBinaries) {
  kuv_pg_silence();
  std::mt19937 random(5);
  const Bytes filter = kuv_bench::filterBinary(W1);
  KuvPgFilter* handler = nullptr;
  ASSERT_EQ(S_OK, kuv_pg_filter_new(filter.data(), static_cast<std::uint32_t>(filter.size()), &handler));
  const std::vector<Bytes> damaged = damagedObjects(random);
  const std::vector<Answer> expected = applyQuery(filter, damaged);
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    const Bytes& object = damaged[i];
    const auto size = static_cast<std::uint32_t>(object.size());
    std::int32_t answer = 7, mask = -7;
    KuvPgFilter* refused = nullptr;
    const std::string printed = kuv_test::captured([&] {
      EXPECT_EQ(S_OK, kuv_pg_filter_apply(handler, object.data(), size, &answer));
      if (SUCCEEDED(kuv_pg_filter_new(object.data(), size, &refused))) kuv_pg_filter_free(refused);
      if (kuv_pg_domains(object.data(), size, &mask) != S_OK) mask = -1;
    });
    EXPECT_EQ("", printed);
    EXPECT_EQ(expected[i].value_or(-1), answer);
    EXPECT_EQ(domainMask(object).value_or(-1), mask);
  }
  kuv_pg_filter_free(handler);
}

// The server side. The rows: W1 objects, damaged ones (an empty one among
// them), two filters (not effectivities, but with domains), and a NULL.
class KuvPostgres : public testing::Test {
protected:
  static void SetUpTestSuite() {
    const char* conninfo = std::getenv("KUV_PG_CONNINFO");
    if (conninfo == nullptr) return;
    s_conn = PQconnectdb(conninfo);
    if (PQstatus(s_conn) != CONNECTION_OK) return;
    std::mt19937 random(3);
    for (int i = 0; i < 3000; ++i) s_rows.push_back(objectOf(W1, i));
    for (Bytes& damaged : damagedObjects(random)) s_rows.push_back(std::move(damaged));
    s_rows.push_back(kuv_bench::filterBinary(kuv_bench::W3));
    s_rows.push_back(kuv_bench::filterBinary(W1));
    for (kuv_bench::Workload w : {W1, kuv_bench::W2, kuv_bench::W4}) s_filters.push_back(kuv_bench::filterBinary(w));
    s_parts = "kuv_test_parts_" + std::to_string(getpid());
    s_filterTable = "kuv_test_filters_" + std::to_string(getpid());
    load();
  }
  static void TearDownTestSuite() {
    if (s_conn != nullptr && PQstatus(s_conn) == CONNECTION_OK)
      PQclear(PQexec(s_conn, ("DROP TABLE IF EXISTS " + s_parts + ", " + s_filterTable).c_str()));
    PQfinish(s_conn);
    s_conn = nullptr;
  }
  void SetUp() override {
    if (s_conn == nullptr) GTEST_SKIP() << "KUV_PG_CONNINFO is not set: no PostgreSQL server to test the extension in";
    ASSERT_EQ(CONNECTION_OK, PQstatus(s_conn)) << PQerrorMessage(s_conn);
    ASSERT_TRUE(s_loaded) << "loading the rows failed";
  }

  static std::string hex(const Bytes& bytes) {
    std::string text = "\\\\x";
    char digits[3];
    for (std::uint8_t b : bytes) {
      std::snprintf(digits, sizeof digits, "%02x", b);
      text += digits;
    }
    return text;
  }
  static bool ok(PGresult* result) {
    const bool good = PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
    if (!good) ADD_FAILURE() << PQresultErrorMessage(result);
    PQclear(result);
    return good;
  }
  // A table through COPY, rows in COPY's text format.
  static bool copy(const std::string& table, const std::string& rows) {
    PGresult* started = PQexec(s_conn, ("COPY " + table + " FROM STDIN").c_str());
    const bool copying = PQresultStatus(started) == PGRES_COPY_IN;
    PQclear(started);
    return copying && PQputCopyData(s_conn, rows.data(), static_cast<int>(rows.size())) == 1 &&
           PQputCopyEnd(s_conn, nullptr) == 1 && ok(PQgetResult(s_conn));
  }
  static void load() {
    std::string parts, filters;
    for (std::size_t i = 0; i < s_rows.size(); ++i) parts += std::to_string(i) + "\t" + hex(s_rows[i]) + "\n";
    parts += std::to_string(s_rows.size()) + "\t\\N\n";
    for (std::size_t f = 0; f < s_filters.size(); ++f) filters += std::to_string(f) + "\t" + hex(s_filters[f]) + "\n";
    s_loaded = ok(PQexec(s_conn, "SET client_min_messages = warning; CREATE EXTENSION IF NOT EXISTS kuv")) &&
               ok(PQexec(s_conn, ("CREATE TABLE " + s_parts + " (id int4, eff bytea); CREATE TABLE " + s_filterTable +
                                  " (n int4, bin bytea)").c_str())) &&
               copy(s_parts, parts) && copy(s_filterTable, filters) && ok(PQexec(s_conn, ("ANALYZE " + s_parts).c_str()));
  }

  // A parameter's bytes; libpq takes a null pointer for SQL NULL.
  static const char* bytesOf(const Bytes& bytes) {
    return bytes.empty() ? "" : reinterpret_cast<const char*>(bytes.data());
  }
  // The query's rows as keys (the first columns) to the last column.
  static std::map<std::vector<int>, Answer> rowsOf(const std::string& sql, const Bytes* parameter = nullptr) {
    const char* value = parameter ? bytesOf(*parameter) : nullptr;
    const int length = parameter ? static_cast<int>(parameter->size()) : 0;
    const int binary = 1;
    PGresult* result = PQexecParams(s_conn, sql.c_str(), parameter ? 1 : 0, nullptr, &value, &length, &binary, 0);
    std::map<std::vector<int>, Answer> rows;
    EXPECT_EQ(PGRES_TUPLES_OK, PQresultStatus(result)) << sql << ": " << PQresultErrorMessage(result);
    const int last = PQnfields(result) - 1;
    for (int r = 0; r < PQntuples(result); ++r) {
      std::vector<int> key;
      for (int c = 0; c < last; ++c) key.push_back(std::atoi(PQgetvalue(result, r, c)));
      rows[key] = PQgetisnull(result, r, last) ? Answer() : Answer(std::atoi(PQgetvalue(result, r, last)));
    }
    PQclear(result);
    return rows;
  }
  // What kuv_visible must answer for each filter (keyed by the filter's
  // number) and each row whose id is a multiple of step.
  static std::map<std::vector<int>, Answer> expectedVisibility(const std::vector<int>& filters, int step = 1) {
    std::map<std::vector<int>, Answer> expected;
    for (int f : filters) {
      const std::vector<Answer> answers = applyQuery(s_filters[f], s_rows);
      for (int i = 0; i <= static_cast<int>(s_rows.size()); i += step)
        expected[{f, i}] = i < static_cast<int>(s_rows.size()) ? answers[i] : Answer();
    }
    return expected;
  }
  static std::map<std::vector<int>, Answer> visibility(int f) {
    return rowsOf("SELECT " + std::to_string(f) + ", id, kuv_visible($1, eff) FROM " + s_parts, &s_filters[f]);
  }

  static inline PGconn* s_conn = nullptr;
  static inline std::vector<Bytes> s_rows, s_filters;
  static inline std::string s_parts, s_filterTable;
  static inline bool s_loaded = false;
};

TEST_F(KuvPostgres, VisibleAgreesWithApplyQueryOnEveryRowAndFilter) {
  for (int f = 0; f < static_cast<int>(s_filters.size()); ++f) EXPECT_EQ(expectedVisibility({f}), visibility(f));
  std::map<Answer, int> w1Answers;
  for (const auto& [row, answer] : expectedVisibility({0})) ++w1Answers[answer];
  EXPECT_EQ(3u, w1Answers.size()) << "the W1 filter should pass some rows, reject some, and find some unreadable";
}

// The filter changes from row to row, so the cached handler is replaced as
// often as the plan alternates filters.
TEST_F(KuvPostgres, VisibleFollowsAFilterThatChangesFromRowToRow) {
  EXPECT_EQ(expectedVisibility({0, 1, 2}, 25),
            rowsOf("SELECT f.n, p.id, kuv_visible(f.bin, p.eff) FROM " + s_parts + " p, " + s_filterTable +
                   " f WHERE p.id % 25 = 0"));
}

TEST_F(KuvPostgres, ParallelWorkersGiveTheSameAnswers) {
  ASSERT_TRUE(ok(PQexec(s_conn, "BEGIN; SET LOCAL max_parallel_workers_per_gather = 2; "
                                "SET LOCAL parallel_setup_cost = 0; SET LOCAL parallel_tuple_cost = 0; "
                                "SET LOCAL min_parallel_table_scan_size = 0; SET LOCAL force_parallel_mode = on")));
  const char* value = bytesOf(s_filters[0]);
  const int length = static_cast<int>(s_filters[0].size()), binary = 1;
  PGresult* plan = PQexecParams(s_conn, ("EXPLAIN (ANALYZE, COSTS OFF) SELECT id, kuv_visible($1, eff) FROM " + s_parts).c_str(),
                                1, nullptr, &value, &length, &binary, 0);
  std::string planText;
  for (int r = 0; r < PQntuples(plan); ++r) planText += std::string(PQgetvalue(plan, r, 0)) + "\n";
  PQclear(plan);
  EXPECT_NE(std::string::npos, planText.find("Workers Launched: 2")) << planText;
  EXPECT_EQ(expectedVisibility({0}), visibility(0));
  ok(PQexec(s_conn, "COMMIT"));
}

TEST_F(KuvPostgres, UnreadableFilterIsAnSqlErrorWithTheLibrarysCode) {
  const Bytes filter = s_filters[0];
  const struct {
    Bytes bytes;
    const char* message;
  } refusals[] = {
      {Bytes(), "kuv: the filter is not a readable compiled filter (0x80070057)"},
      {Bytes(filter.begin(), filter.end() - 1), "kuv: the filter is not a readable compiled filter (0x80004005)"},
      {objectOf(W1, 0), "kuv: the filter is not a readable compiled filter (0x80004005)"},
      {Bytes{'f', 'l', 't', 3, 0, 1, 2, 3}, "kuv: the filter is not a readable compiled filter (0x80004005)"},
  };
  for (const auto& refusal : refusals) {
    const char* value = bytesOf(refusal.bytes);
    const int length = static_cast<int>(refusal.bytes.size()), binary = 1;
    PGresult* result = PQexecParams(s_conn, ("SELECT count(*) FROM " + s_parts + " WHERE kuv_visible($1, eff) = 1").c_str(),
                                    1, nullptr, &value, &length, &binary, 0);
    EXPECT_EQ(PGRES_FATAL_ERROR, PQresultStatus(result));
    EXPECT_STREQ(refusal.message, PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
    EXPECT_STREQ("22P03", PQresultErrorField(result, PG_DIAG_SQLSTATE));
    PQclear(result);
  }
  EXPECT_EQ(CONNECTION_OK, PQstatus(s_conn));
}

TEST_F(KuvPostgres, DomainsAreTheBinarysValuatedDomainsAsABitMask) {
  std::map<std::vector<int>, Answer> expected;
  for (int i = 0; i < static_cast<int>(s_rows.size()); ++i) expected[{i}] = domainMask(s_rows[i]);
  expected[{static_cast<int>(s_rows.size())}] = Answer();
  EXPECT_EQ(expected, rowsOf("SELECT id, kuv_domains(eff) FROM " + s_parts));
  EXPECT_EQ(Answer(2 | 4 | 8), expected[{static_cast<int>(s_rows.size()) - 2}]);  // the W3 filter: domains 2..4
}

TEST_F(KuvPostgres, VersionIsTheLibrarysVersion) {
  PGresult* result = PQexec(s_conn, "SELECT kuv_version()");
  ASSERT_EQ(PGRES_TUPLES_OK, PQresultStatus(result));
  EXPECT_STREQ(KUV_VERSION, PQgetvalue(result, 0, 0));
  PQclear(result);
}

}  // namespace
