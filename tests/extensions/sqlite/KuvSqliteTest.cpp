// The SQLite extension loaded as a host loads it, its answers checked row by
// row against the library's own calls over W1-like objects and damaged
// binaries.
#include <sqlite3.h>

#include "KuvFilteringWorkloads.h"
#include "support/KuvTestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Row = std::optional<Bytes>;  // nullopt: SQL NULL

class Database {
public:
  Database() {
    EXPECT_EQ(SQLITE_OK, sqlite3_open(":memory:", &m_db));
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 1, nullptr);
    char* error = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_load_extension(m_db, KUV_SQLITE_EXTENSION, nullptr, &error)) << error;
    sqlite3_free(error);
  }
  ~Database() { sqlite3_close(m_db); }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void exec(const char* sql) {
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr)) << errmsg();
  }
  std::string errmsg() const { return sqlite3_errmsg(m_db); }
  sqlite3* get() const { return m_db; }

private:
  sqlite3* m_db = nullptr;
};

class Statement {
public:
  Statement(const Database& db, const char* sql) : m_db(db) {
    EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db.get(), sql, -1, &m_statement, nullptr)) << db.errmsg();
  }
  ~Statement() { sqlite3_finalize(m_statement); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int i, const Row& row) {
    if (!row)
      sqlite3_bind_null(m_statement, i);
    else if (row->empty())  // a null pointer would bind NULL
      sqlite3_bind_zeroblob(m_statement, i, 0);
    else
      sqlite3_bind_blob(m_statement, i, row->data(), static_cast<int>(row->size()), SQLITE_TRANSIENT);
    return *this;
  }
  int step() { return sqlite3_step(m_statement); }
  sqlite3_stmt* get() const { return m_statement; }
  // Column 0 of every row: its integer, or nullopt for NULL; the whole
  // query's error message in error.
  std::vector<std::optional<long long>> column(std::string* error = nullptr) {
    std::vector<std::optional<long long>> values;
    int rc = SQLITE_ROW;
    while ((rc = step()) == SQLITE_ROW)
      values.push_back(sqlite3_column_type(m_statement, 0) == SQLITE_NULL
                           ? std::nullopt
                           : std::optional<long long>(sqlite3_column_int64(m_statement, 0)));
    if (error != nullptr)
      *error = rc == SQLITE_DONE ? "" : m_db.errmsg();
    else
      EXPECT_EQ(SQLITE_DONE, rc) << m_db.errmsg();
    sqlite3_reset(m_statement);
    return values;
  }

private:
  const Database& m_db;
  sqlite3_stmt* m_statement = nullptr;
};

// One call's answer as the extension gives it: NULL for -1.
std::optional<long long> applyQuery(const Bytes& filter, const Row& row) {
  if (!row) return std::nullopt;
  const std::uint8_t* binary = row->data();
  const auto size = static_cast<unsigned int>(row->size());
  int* results = nullptr;
  EXPECT_EQ(S_OK, KuvFilteringServices::ApplyQuery(filter.data(), static_cast<unsigned int>(filter.size()),
                                                   &binary, &size, 1, results));
  const int answer = results != nullptr ? results[0] : -2;
  std::free(results);
  return answer < 0 ? std::nullopt : std::optional<long long>(answer);
}

std::optional<long long> domainMask(const Row& row) {
  if (!row) return std::nullopt;
  KuvBioBuffer in(row->data(), static_cast<std::uint32_t>(row->size()), 0);
  KuvInListVal ids(KuvInIntHolder::sType());
  if (KuvCompiledBinaryParser::GetValuatedDomains(in, ids) != S_OK) return std::nullopt;
  long long mask = 0;
  for (std::int32_t i = 0; i < ids.GetLength(); ++i)
    mask |= 1LL << (KuvInIntHolder::cast(*ids.Get(i))->getValue() - 1);
  return mask;
}

// W1 objects (1% truncated), W2 objects, and damaged ones: cut short, a
// byte changed, random bytes behind a valid header or none, empty, NULL.
std::vector<Row> objectRows() {
  std::vector<Row> rows;
  for (kuv_bench::Workload w : {kuv_bench::W5, kuv_bench::W2}) {
    const kuv_bench::Objects objects(w, w == kuv_bench::W5 ? 2000 : 500);
    for (int i = 0; i < objects.count; ++i)
      rows.emplace_back(Bytes(objects.binaries[i], objects.binaries[i] + objects.sizes[i]));
  }
  std::mt19937 random(7);
  const std::size_t valid = rows.size();
  for (int i = 0; i < 600; ++i) {
    Bytes bytes = *rows[random() % valid];
    switch (i % 4) {
      case 0:
        bytes.resize(random() % bytes.size());
        break;
      case 1:
        bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
        break;
      case 2:
        for (std::size_t k = 10; k < bytes.size(); ++k) bytes[k] = static_cast<std::uint8_t>(random());
        break;
      default:
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
    }
    rows.emplace_back(std::move(bytes));
  }
  rows.emplace_back(Bytes());
  rows.emplace_back(std::nullopt);
  return rows;
}

class KuvSqlite : public testing::Test {
protected:
  void SetUp() override {
    db.exec("CREATE TABLE t(id INTEGER PRIMARY KEY, eff BLOB)");
    Statement insert(db, "INSERT INTO t(eff) VALUES (?)");
    for (const Row& row : rows) {
      insert.bind(1, row);
      EXPECT_EQ(SQLITE_DONE, insert.step()) << db.errmsg();
      sqlite3_reset(insert.get());
    }
  }

  Database db;
  const std::vector<Row> rows = objectRows();
  const std::vector<Bytes> filters = {
      kuv_bench::filterBinary(kuv_bench::W1), kuv_bench::filterBinary(kuv_bench::W2),
      kuv_bench::filterBinary(kuv_bench::W3), kuv_bench::filterBinary(kuv_bench::W4)};
};

TEST_F(KuvSqlite, VisibleAnswersAsApplyQueryForEveryRowAndPrintsNothing) {
  std::size_t count = 0;
  const unsigned char flagsBefore = KuvCompiledBinaryParser::traceChannel().getFlags();
  Statement query(db, "SELECT kuv_visible(?, eff) FROM t ORDER BY id");
  for (const Bytes& filter : filters) {
    std::vector<std::optional<long long>> expected;
    kuv_test::captured([&] {
      for (const Row& row : rows) expected.push_back(applyQuery(filter, row));
    });
    std::vector<std::optional<long long>> answered;
    EXPECT_EQ("", kuv_test::captured([&] { answered = query.bind(1, filter).column(); }));
    EXPECT_EQ(expected, answered);
    for (const auto& answer : expected) count += answer ? 0 : 1;
  }
  EXPECT_GT(count, 4u * 300);  // the damaged rows are mostly unreadable
  EXPECT_EQ(flagsBefore, KuvCompiledBinaryParser::traceChannel().getFlags());
}

TEST_F(KuvSqlite, ReadersAreSilentWhileAStatementKeepsItsFilter) {
  KuvInTraceClass& reader = KuvCompiledBinaryParser::traceChannel();
  const kuv_test::ScopedFlags flags(reader, 3);
  Statement query(db, "SELECT kuv_visible(?, eff), kuv_domains(eff) FROM t");
  ASSERT_EQ(SQLITE_ROW, query.bind(1, filters[0]).step());
  EXPECT_EQ(0, reader.getFlags());
  sqlite3_reset(query.get());
  EXPECT_EQ(3, reader.getFlags());
}

TEST_F(KuvSqlite, FilterFromAColumnChangesFromRowToRow) {
  db.exec("CREATE TABLE f(id INTEGER PRIMARY KEY, filter BLOB)");
  Statement insert(db, "INSERT INTO f(filter) VALUES (?)");
  for (const Bytes& filter : filters) {
    insert.bind(1, filter).step();
    sqlite3_reset(insert.get());
  }
  std::vector<std::optional<long long>> expected;
  kuv_test::captured([&] {
    for (const Row& row : rows)
      for (const Bytes& filter : filters) expected.push_back(applyQuery(filter, row));
  });
  Statement query(db, "SELECT kuv_visible(f.filter, t.eff) FROM t, f ORDER BY t.id, f.id");
  EXPECT_EQ(expected, query.column());
}

TEST_F(KuvSqlite, DomainsAreTheDomainTableAsABitMask) {
  std::vector<std::optional<long long>> expected;
  kuv_test::captured([&] {
    for (const Row& row : rows) expected.push_back(domainMask(row));
  });
  Statement query(db, "SELECT kuv_domains(eff) FROM t ORDER BY id");
  EXPECT_EQ(expected, query.column());
  EXPECT_EQ(2, expected.front());  // Config Change
  Statement filter(db, "SELECT kuv_domains(?)");
  EXPECT_EQ(14, filter.bind(1, filters[2]).column().front());  // domains 2, 3, 4
}

TEST_F(KuvSqlite, UnreadableFilterIsAnErrorNamingItsCode) {
  const Bytes object = *rows.front();
  const struct {
    Row filter;
    std::string message;
  } cases[] = {
      {Bytes{'f', 'l', 't', 3, 0, 1}, "kuv: the filter is not a readable compiled filter (0x80004005)"},
      {object, "kuv: the filter is not a readable compiled filter (0x80004005)"},  // an effectivity
      {Bytes(filters[0].begin(), filters[0].end() - 1),
       "kuv: the filter is not a readable compiled filter (0x80004005)"},
      {Bytes(), "kuv: the filter is not a readable compiled filter (0x80070057)"},
  };
  Statement query(db, "SELECT kuv_visible(?, eff) FROM t");
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ("", kuv_test::captured([&] { query.bind(1, c.filter).column(&error); }));
    EXPECT_EQ(c.message, error);
  }
  Statement nullFilter(db, "SELECT count(*) FROM t WHERE kuv_visible(NULL, eff) IS NULL");
  EXPECT_EQ(static_cast<long long>(rows.size()), nullFilter.column().front());
}

// ApplyQuery fails as a whole when a test fails: the query does too.
TEST_F(KuvSqlite, FailingIntersectionTestIsAnError) {
  KuvFltEffectivity effectivity;  // no current view to test against
  ASSERT_EQ(S_OK, effectivity.setDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_SOURCE,
                                     kuv_test::Guid(1).guid(), new KuvDnf(DNF_COND_TRUE)));
  KuvBioBufferOut out;
  ASSERT_EQ(S_OK, KuvCompiledBinaryParser::Write(effectivity, out));
  const Bytes object = kuv_test::bytesOf(out);
  const std::uint8_t* binary = object.data();
  const auto size = static_cast<unsigned int>(object.size());
  int* results = nullptr;
  kuv_test::captured([&] {
    EXPECT_TRUE(FAILED(KuvFilteringServices::ApplyQuery(
        filters[0].data(), static_cast<unsigned int>(filters[0].size()), &binary, &size, 1, results)));
  });
  Statement query(db, "SELECT kuv_visible(?, ?)");
  std::string error;
  EXPECT_EQ("", kuv_test::captured([&] { query.bind(1, filters[0]).bind(2, object).column(&error); }));
  EXPECT_EQ("kuv: the intersection test failed (0x80004005)", error);
}

// An untrusted schema admits only innocuous functions; an index on an
// expression only deterministic ones.
TEST_F(KuvSqlite, FunctionsServeInAnUntrustedSchema) {
  db.exec("PRAGMA trusted_schema = OFF");
  db.exec("CREATE INDEX by_domains ON t(kuv_domains(eff))");
  db.exec("CREATE VIEW passing AS SELECT id FROM t WHERE kuv_visible(x'00', eff) OR kuv_version() = ''");
  Statement indexed(db, "SELECT count(*) FROM t WHERE kuv_domains(eff) = 2");
  EXPECT_LT(0, indexed.column().front());
  std::string error;
  Statement view(db, "SELECT count(*) FROM passing");
  view.column(&error);
  EXPECT_EQ("kuv: the filter is not a readable compiled filter (0x80004005)", error);
}

TEST_F(KuvSqlite, VersionIsTheLibrarys) {
  Statement query(db, "SELECT kuv_version()");
  ASSERT_EQ(SQLITE_ROW, query.step());
  EXPECT_STREQ(KUV_PROJECT_VERSION, reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 0)));
  EXPECT_STREQ(KUV_PROJECT_VERSION, KuvVersion());
}

}  // namespace
