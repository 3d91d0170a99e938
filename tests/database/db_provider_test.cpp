// Providers, data sources, the data-source map and the connection pool.
// Connections are real: SQLite through its ODBC driver, in a file database.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "datastore/column_value.h"
#include "datastore/startup.h"
#include "runtime/datetime.h"
#include "tests/support/log_capture.h"
#include "tests/support/odbc_env.h"
#include "tests/support/test_support.h"

namespace {

using hvtest::CountOf;

// Every test starts and ends with empty lists and the ODBC provider loaded
// in slot 0 only.
class ProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hvtest::OdbcTestDirectory();
    ResetAll();
    RegisterODBCProvider();
    ASSERT_TRUE(LoadProvider("ODBC"));
    InitConnectionLists();
    log_.Take();
  }
  void TearDown() override {
    ResetAll();
    SetTavrixRoot(nullptr);
  }
  static void ResetAll() {
    CloseAllConnections();
    FreeAllConnParamsEntries();
    FreeAllDataSourceMapEntries();
    while (GetLoadedProvider(0)) UnloadProvider(GetLoadedProvider(0)->name);
  }

  // A SQLite data source in the test odbc.ini.
  static ConnParamsEntry* SqliteSource(const char* name) {
    return CreateConnParamsEntry("tavrix_sqlite", nullptr, nullptr, name, 0, nullptr, "ODBC",
                                 "SQLITE");
  }

  std::string Write(const std::string& name, const std::string& content) {
    const std::string path = dir_.Sub(name);
    hvtest::WriteFile(path, content);
    return path;
  }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 4};
};

// --- connparams.txt --------------------------------------------------------

struct Source {
  std::string dsn, user, password, name, connectionString, provider, dbType;
  bool useConnectionString;
};

std::string Text(const char* text) { return text ? text : "(none)"; }

std::vector<Source> LoadedSources() {
  std::vector<Source> out;
  Vector* list = GetConnParamsList();
  for (int32_t i = 0; i < list->count; ++i) {
    auto* e = static_cast<ConnParamsEntry*>(ElementAt(list, i)->data);
    out.push_back({Text(e->dsn), Text(e->userId), Text(e->password), Text(e->connectionName),
                   Text(e->connectionString), Text(e->providerName), Text(e->dbType),
                   e->useConnectionString != 0});
  }
  return out;
}

TEST_F(ProviderTest, ConnParamsFileIsReadAsTenTokensAndTheRestOfTheLine) {
  const std::string longToken(256, 'x');
  const std::string longRest(254, 'c');
  struct Case {
    const char* label;
    std::string file;
    std::vector<Source> expected;
    const char* logged;  // an ERROR text expected in the log, or none
  };
  const std::vector<Case> cases = {
      {"plain record",
       "db 1 Sales u p x main ODBC MYSQL no\n",
       {{"Sales", "u", "p", "main", "(none)", "ODBC", "MYSQL", false}},
       nullptr},
      {"NULL is no password, null is one",
       "db 1 A u NULL x a ODBC PGSQL no\ndb 2 B u null x b ODBC PGSQL NO\n",
       {{"A", "u", "(none)", "a", "(none)", "ODBC", "PGSQL", false},
        {"B", "u", "null", "b", "(none)", "ODBC", "PGSQL", false}},
       nullptr},
      {"yes in any case takes the rest of the line after one character",
       "db 1 A u p x a ODBC SQLITE yes DRIVER={SQLite3};Database=/tmp/a b.db\n"
       "db 1 B u p x b ODBC SQLITE Yes  two blanks\n"
       "db 1 C u p x c ODBC SQLITE YES\n",
       {{"A", "u", "p", "a", "DRIVER={SQLite3};Database=/tmp/a b.db", "ODBC", "SQLITE", true},
        {"B", "u", "p", "b", " two blanks", "ODBC", "SQLITE", true},
        {"C", "u", "p", "c", "", "ODBC", "SQLITE", true}},
       nullptr},
      {"tokens across blanks, tabs and lines; CRLF endings",
       "db\t1  A\nu p\r\n x a ODBC FIREBIRD no\r\n",
       {{"A", "u", "p", "a", "(none)", "ODBC", "FIREBIRD", false}},
       nullptr},
      {"a last record ending right after its tenth token is lost",
       "db 1 A u p x a ODBC MYSQL no\ndb 1 B u p x b ODBC MYSQL no",
       {{"A", "u", "p", "a", "(none)", "ODBC", "MYSQL", false}},
       nullptr},
      {"an incomplete record ends the reading",
       "db 1 A u p x a ODBC MYSQL no\ndb 1 B u\n",
       {{"A", "u", "p", "a", "(none)", "ODBC", "MYSQL", false}},
       nullptr},
      {"the second token must be a number", "db one A u p x a ODBC MYSQL no\n", {}, nullptr},
      {"a token over 255 characters is refused, not cut",
       "db 1 A u p x a ODBC MYSQL no\ndb 1 " + longToken + " u p x b ODBC MYSQL no\n",
       {{"A", "u", "p", "a", "(none)", "ODBC", "MYSQL", false}},
       "token longer than 255 characters"},
      {"a connection string over 253 characters is refused, not cut",
       "db 1 A u p x a ODBC MYSQL yes " + longRest + "\n",
       {},
       "connection string longer than 253 characters"},
      {"an empty file", "", {}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FreeAllConnParamsEntries();
    EXPECT_TRUE(LoadConnParamsEntryFromFile(Write("connparams.txt", c.file).c_str()));
    const std::vector<Source> loaded = LoadedSources();
    ASSERT_EQ(loaded.size(), c.expected.size());
    for (size_t i = 0; i < loaded.size(); ++i) {
      const Source& got = loaded[i];
      const Source& want = c.expected[i];
      EXPECT_EQ(got.dsn, want.dsn);
      EXPECT_EQ(got.user, want.user);
      EXPECT_EQ(got.password, want.password);
      EXPECT_EQ(got.name, want.name);
      EXPECT_EQ(got.useConnectionString, want.useConnectionString);
      EXPECT_EQ(got.connectionString, want.connectionString);
      EXPECT_EQ(got.provider, want.provider);
      EXPECT_EQ(got.dbType, want.dbType);
    }
    const std::string log = log_.Take();
    if (c.logged) {
      EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    } else {
      EXPECT_EQ(log.find("[ERROR]"), std::string::npos) << log;
    }
  }
}

TEST_F(ProviderTest, DataFilesFallBackToTheLibraryRootAndReportWhenMissing) {
  EXPECT_FALSE(LoadConnParamsEntryFromFile(dir_.Sub("nowhere/connparams.txt").c_str()));
  EXPECT_FALSE(LoadDataSourceMapEntryFromFile(dir_.Sub("nowhere/dsn_table_map.txt").c_str()));
  std::string log = log_.Take();
  EXPECT_EQ(CountOf(log, "[ERROR] Cannot open Connection Parameters File.\n"), 1u) << log;
  EXPECT_EQ(CountOf(log, "[ERROR] Cannot open DataSourceMap Entry File.\n"), 1u) << log;

  hvtest::MakeDirs(dir_.Sub("root/data"));
  Write("root/data/connparams.txt", "db 1 A u p x a ODBC MYSQL no\n");
  Write("root/data/dsn_table_map.txt", "Orders a\n");
  const std::string root = dir_.Sub("root");
  SetTavrixRoot(root.c_str());
  EXPECT_TRUE(LoadConnParamsEntryFromFile(dir_.Sub("nowhere/connparams.txt").c_str()));
  EXPECT_TRUE(LoadDataSourceMapEntryFromFile(dir_.Sub("nowhere/dsn_table_map.txt").c_str()));
  log = log_.Take();
  EXPECT_NE(log.find("[DEBUG] Opening " + root + "/data/connparams.txt\n"), std::string::npos);
  EXPECT_NE(log.find("[DEBUG] Opening " + root + "/data/dsn_table_map.txt\n"), std::string::npos);
  EXPECT_STREQ(GetDefaultConnectionName(), "a");
  EXPECT_STREQ(GetDataSourceName("orders"), "a");
}

TEST_F(ProviderTest, DataSourceMapPairsTablesWithConnectionsIgnoringTheTableNamesCase) {
  EXPECT_TRUE(LoadDataSourceMapEntryFromFile(
      Write("dsn_table_map.txt", "Customer main\n\tOrders  main Customer other\nLonely").c_str()));
  EXPECT_STREQ(GetDataSourceName("CUSTOMER"), "main");  // the first of a table listed twice
  EXPECT_STREQ(GetDataSourceName("orders"), "main");
  log_.Take();
  EXPECT_EQ(GetDataSourceName("Lonely"), nullptr);
  EXPECT_NE(log_.Take().find("[ERROR] No DataSourceMap Entry for Table name Lonely \n"),
            std::string::npos);
  EXPECT_TRUE(DeleteDataSourceMapEntry("customer"));
  EXPECT_STREQ(GetDataSourceName("Customer"), "other");

  // A name over 255 characters is refused, not cut, and ends the reading.
  FreeAllDataSourceMapEntries();
  EXPECT_TRUE(LoadDataSourceMapEntryFromFile(
      Write("long_map.txt", "A a\n" + std::string(256, 'T') + " b\nC c\n").c_str()));
  EXPECT_NE(log_.Take().find("token longer than 255 characters"), std::string::npos);
  EXPECT_STREQ(GetDataSourceName("A"), "a");
  EXPECT_EQ(GetDataSourceName("C"), nullptr);
}

TEST_F(ProviderTest, DataSourceLookupsMatchConnectionNamesExactly) {
  ASSERT_TRUE(AddConnParamsEntry(
      CreateConnParamsEntry("d", "u", nullptr, "Main", 0, nullptr, "ODBC", "PGSQL")));
  EXPECT_NE(GetConnParamsEntry("Main"), nullptr);
  EXPECT_EQ(GetConnParamsEntry("main"), nullptr);
  EXPECT_STREQ(GetDBType("Main"), "PGSQL");
  EXPECT_STREQ(GetProviderName("Main"), "ODBC");
  log_.Take();
  EXPECT_EQ(GetDBType("main"), nullptr);
  EXPECT_NE(log_.Take().find("[ERROR] dbConnPtr is NULL for Connection Name main \n"),
            std::string::npos);
  EXPECT_FALSE(DeleteConnParamsEntry("main"));
  EXPECT_TRUE(DeleteConnParamsEntry("Main"));
  EXPECT_EQ(GetDefaultConnectionName(), nullptr);
}

// --- the provider registry -------------------------------------------------

TEST_F(ProviderTest, InitDBProviderLoadsOdbcAloneAndRefusesASecondCall) {
  ResetAll();
  log_.Take();
  EXPECT_TRUE(InitDBProvider());
  EXPECT_EQ(GetLoadedProvider(0), GetODBCProvider());
  EXPECT_EQ(GetLoadedProvider(1), nullptr);  // no provider is registered as SQLITE
  EXPECT_EQ(FindProviderIndex("ODBC"), 0);
  EXPECT_EQ(FindProviderIndex("odbc"), -1);
  EXPECT_EQ(FindFreeProviderSlot(), 1);
  EXPECT_FALSE(InitDBProvider());
  EXPECT_NE(log_.Take().find("[ERROR] InitDBProvider Failed as already initialized\n"),
            std::string::npos);

  EXPECT_FALSE(LoadDataSourceProvider());
  EXPECT_NE(log_.Take().find("[ERROR] Cannot Load DB provider.\n"), std::string::npos);
  ASSERT_TRUE(AddConnParamsEntry(
      CreateConnParamsEntry("d", nullptr, nullptr, "a", 0, nullptr, "ODBC", "MYSQL")));
  EXPECT_FALSE(LoadDataSourceProvider());
  EXPECT_NE(log_.Take().find("[ERROR] Cannot Load MYSQL provider.\n"), std::string::npos);
}

TEST_F(ProviderTest, ExecutionWithoutConnectionOrTextFailsWithItsMessage) {
  ConnParamsEntry* source = SqliteSource("a");
  ConnectionHandle* connection = OpenDBConnection(source);
  ASSERT_NE(connection, nullptr);
  struct Case {
    const char* label;
    bool ok;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"update", ExecuteUpdate(nullptr, "X") == 0,
       "[ERROR] ConnectionHandle NULL in ExecuteUpdate for Query X \n"},
      {"update blob", ExecuteUpdateBlob(nullptr, "X", nullptr, nullptr) == 0,
       "[ERROR] ConnectionHandle NULL in ExecuteUpdateBlob for Query X \n"},
      {"query", ExecuteQuery(nullptr, "X") == nullptr,
       "[ERROR] ConnectionHandle NULL in ExecuteQuery for Query X \n"},
      {"query blob", ExecuteQueryBlob(nullptr, "X", nullptr, nullptr) == nullptr,
       "[ERROR] ConnectionHandle NULL in ExecuteQueryBlob for Query X \n"},
      {"update text", ExecuteUpdate(connection, nullptr) == 0,
       "[ERROR]  No Query To be Updated \n"},
      {"update blob text", ExecuteUpdateBlob(connection, nullptr, nullptr, nullptr) == 0,
       "[ERROR]  No Query To be Updated \n"},
      {"query text", ExecuteQuery(connection, nullptr) == nullptr,
       "[ERROR]  No Query To be Executed \n"},
      {"query blob text", ExecuteQueryBlob(connection, nullptr, nullptr, nullptr) == nullptr,
       "[ERROR]  No Query To be Executed \n"},
  };
  const std::string log = log_.Take();
  for (const Case& c : cases) {
    EXPECT_TRUE(c.ok) << c.label;
    EXPECT_NE(log.find(c.message), std::string::npos) << c.label << "\n" << log;
  }
  // An empty provider slot fails without a message.
  UnloadProvider("ODBC");
  EXPECT_EQ(ExecuteUpdate(connection, "SELECT 1"), 0);
  EXPECT_EQ(BeginTransaction(connection), 0);
  EXPECT_FALSE(CloseDBConnection(connection));
  EXPECT_EQ(log_.Take().find("[ERROR]"), std::string::npos);
  ASSERT_TRUE(LoadProvider("ODBC"));
  EXPECT_TRUE(CloseDBConnection(connection));
  FreeConnParamsEntry(source);
}

TEST_F(ProviderTest, ConnectingNeedsADataSourceNameAndReportsTheDriversRefusal) {
  ConnParamsEntry* noDsn = CreateConnParamsEntry(
      nullptr, nullptr, nullptr, "a", 1, "DRIVER={SQLite3};Database=/tmp/x.db", "ODBC", "SQLITE");
  EXPECT_EQ(OpenDBConnection(noDsn), nullptr);
  EXPECT_NE(log_.Take().find("[ERROR] ODBC connection Parameter missing\n"), std::string::npos);
  ConnParamsEntry* unknown =
      CreateConnParamsEntry("no_such_dsn", "u", "p", "a", 0, nullptr, "ODBC", "SQLITE");
  EXPECT_EQ(OpenDBConnection(unknown), nullptr);
  EXPECT_NE(log_.Take().find("[ERROR] Connecting to driver failed\n"), std::string::npos);
  ConnParamsEntry* otherProvider =
      CreateConnParamsEntry("tavrix_sqlite", nullptr, nullptr, "a", 0, nullptr, "JDBC", "SQLITE");
  EXPECT_EQ(OpenDBConnection(otherProvider), nullptr);
  FreeConnParamsEntry(noDsn);
  FreeConnParamsEntry(unknown);
  FreeConnParamsEntry(otherProvider);
}

// --- the pool ----------------------------------------------------------------

// Takes a connection on a thread of its own and keeps it (no release).
ConnectionHandle* TakeOnAnotherThread(const char* name) {
  ConnectionHandle* taken = nullptr;
  std::thread([&] { taken = GetConnectionHandle(name); }).join();
  return taken;
}

TEST_F(ProviderTest, OneConnectionIsSharedByAllThreads) {
  ASSERT_TRUE(AddConnParamsEntry(SqliteSource("a")));
  ASSERT_TRUE(EstablishDBConnections());
  EXPECT_NE(log_.Take().find("[DEBUG]  a : Connection Established\n"), std::string::npos);
  ConnectionHandle* mine = GetConnectionHandle("a");
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(mine->owner, kConnectionShared);
  EXPECT_EQ(TakeOnAnotherThread("a"), mine);
  EXPECT_EQ(TakeOnAnotherThread(nullptr), mine);  // one data source: no name needed
  EXPECT_TRUE(ReleaseConnectionHandle("a"));
  EXPECT_EQ(mine->owner, kConnectionFree);
}

TEST_F(ProviderTest, SeveralConnectionsGoToOneThreadEachAndNoneIsLeftForAThird) {
  ASSERT_TRUE(AddConnParamsEntry(SqliteSource("a")));
  ASSERT_TRUE(EstablishDBConnectionPool(2));
  ConnectionHandle* first = TakeOnAnotherThread("a");
  ConnectionHandle* second = TakeOnAnotherThread("a");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(TakeOnAnotherThread("a"), nullptr);
  // The same thread asking again gets its own connection back.
  ConnectionHandle* again = nullptr;
  ConnectionHandle* twice = nullptr;
  first->owner = kConnectionFree;
  std::thread([&] {
    again = GetConnectionHandle("a");
    twice = GetConnectionHandle("a");
    EXPECT_TRUE(ReleaseConnectionHandle("a"));
    EXPECT_FALSE(ReleaseConnectionHandle("a"));
  }).join();
  EXPECT_EQ(again, first);
  EXPECT_EQ(twice, first);
  EXPECT_EQ(first->owner, kConnectionFree);
}

TEST_F(ProviderTest, PoolOpensFiveConnectionsPerDataSourceByDefault) {
  ASSERT_TRUE(AddConnParamsEntry(SqliteSource("a")));
  ASSERT_TRUE(AddConnParamsEntry(SqliteSource("b")));
  ASSERT_TRUE(EstablishDBConnectionPool(0));
  Vector* pool = GetConnectionPool();
  ASSERT_EQ(pool->count, 2);
  for (int32_t i = 0; i < 2; ++i) {
    auto* entry = static_cast<ConnectionPoolEntry*>(ElementAt(pool, i)->data);
    EXPECT_EQ(entry->connections->count, 5);
  }
  const std::string log = log_.Take();
  EXPECT_NE(log.find("[DEBUG]  4 : b : Connection Established\n"), std::string::npos);
  // Two data sources: a name is needed to take one, none to give one back
  // (the first data source's).
  EXPECT_EQ(GetConnectionHandle(nullptr), nullptr);
  ConnectionHandle* a = GetConnectionHandle("a");
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(ReleaseConnectionHandle(nullptr));
  EXPECT_EQ(a->owner, kConnectionFree);
  EXPECT_FALSE(ReleaseConnectionHandle("c"));

  FreeAllConnParamsEntries();
  EXPECT_FALSE(EstablishDBConnectionPool(3));
  EXPECT_NE(log_.Take().find("[ERROR] There is no entry in data source vector\n"),
            std::string::npos);
}

TEST_F(ProviderTest, EstablishingStopsAtADataSourceThatDoesNotOpen) {
  ASSERT_TRUE(AddConnParamsEntry(SqliteSource("a")));
  ASSERT_TRUE(AddConnParamsEntry(
      CreateConnParamsEntry("no_such_dsn", nullptr, nullptr, "b", 0, nullptr, "ODBC", "SQLITE")));
  EXPECT_FALSE(EstablishDBConnections());
  EXPECT_NE(log_.Take().find("[ERROR] Cannot establish connection.\n"), std::string::npos);
  EXPECT_EQ(GetConnectionPool()->count, 1);  // the entries made so far stay
}

TEST_F(ProviderTest, AConnectionOlderThan27900SecondsIsReplacedWhenHandedOut) {
  ASSERT_TRUE(AddConnParamsEntry(SqliteSource("a")));
  ASSERT_TRUE(EstablishDBConnections());
  const uint32_t now = GetCurrentTimeInSeconds();
  struct Case {
    const char* label;
    uint32_t openedAt;
    bool replaced;
  };
  // The clock may tick between setting and asking: stay clear of the edge
  // on the side that must not be replaced only by the tick itself.
  const std::vector<Case> cases = {
      {"opened just now", now, false},
      {"one second under the limit", now - 27899, false},
      {"one second over", now - 27901, true},
      {"a day old", now - 86400, true},
      {"clock set back before its opening", now + 3600, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ConnectionHandle* held = GetConnectionHandle("a");
    ASSERT_NE(held, nullptr);
    void* native = held->nativeHandle;
    held->openedAt = c.openedAt;
    log_.Take();
    ConnectionHandle* handed = GetConnectionHandle("a");
    ASSERT_NE(handed, nullptr);
    if (c.replaced) {
      EXPECT_GE(handed->openedAt, now);
      EXPECT_LE(handed->openedAt, GetCurrentTimeInSeconds());
      EXPECT_NE(log_.Take().find("[DEBUG]  a : Connection Established\n"), std::string::npos);
      ResultSet* set = ExecuteQuery(handed, "SELECT 1");
      EXPECT_NE(set, nullptr);
      FreeResultSet(set);
    } else {
      EXPECT_EQ(handed, held);
      EXPECT_EQ(handed->nativeHandle, native);
      EXPECT_EQ(handed->openedAt, c.openedAt);
    }
    EXPECT_EQ(handed->owner, kConnectionShared);
    auto* entry = static_cast<ConnectionPoolEntry*>(ElementAt(GetConnectionPool(), 0)->data);
    EXPECT_EQ(entry->connections->count, 1);
  }
}

TEST_F(ProviderTest, ExactlyAtTheLimitTheConnectionIsKept) {
  ASSERT_TRUE(AddConnParamsEntry(SqliteSource("a")));
  ASSERT_TRUE(EstablishDBConnections());
  // Retry when the clock ticked between setting the age and asking.
  for (int attempt = 0; attempt < 5; ++attempt) {
    ConnectionHandle* held = GetConnectionHandle("a");
    ASSERT_NE(held, nullptr);
    const uint32_t before = GetCurrentTimeInSeconds();
    held->openedAt = before - kConnectionMaxAge;
    ConnectionHandle* handed = GetConnectionHandle("a");
    if (GetCurrentTimeInSeconds() != before) continue;
    EXPECT_EQ(handed, held);
    EXPECT_EQ(handed->openedAt, before - kConnectionMaxAge);
    return;
  }
  FAIL() << "the clock kept ticking";
}

TEST_F(ProviderTest, AStaleConnectionWhoseDataSourceIsGoneIsNotHandedOut) {
  ASSERT_TRUE(AddConnParamsEntry(SqliteSource("a")));
  ASSERT_TRUE(EstablishDBConnections());
  GetConnectionHandle("a")->openedAt = 0;
  ASSERT_TRUE(DeleteConnParamsEntry("a"));
  log_.Take();
  EXPECT_EQ(GetConnectionHandle("a"), nullptr);
  EXPECT_NE(log_.Take().find("[ERROR] Cannot return connection handle. Error in fetching "
                             "connection parameters.\n"),
            std::string::npos);
}

TEST_F(ProviderTest, ConnectionPoolServesManyThreadsWithoutSharingAConnection) {
  ASSERT_TRUE(AddConnParamsEntry(SqliteSource("a")));
  ASSERT_TRUE(EstablishDBConnectionPool(4));
  std::atomic<int> taken{0};
  std::atomic<int> shared{0};
  std::vector<std::thread> threads;
  std::vector<std::atomic<int>> users(4);
  std::vector<ConnectionHandle*> all;
  auto* entry = static_cast<ConnectionPoolEntry*>(ElementAt(GetConnectionPool(), 0)->data);
  for (int32_t i = 0; i < entry->connections->count; ++i) {
    all.push_back(static_cast<ConnectionHandle*>(ElementAt(entry->connections, i)->data));
  }
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int round = 0; round < 200; ++round) {
        ConnectionHandle* connection = GetConnectionHandle("a");
        if (!connection) continue;
        ++taken;
        size_t index = 0;
        while (index < all.size() && all[index] != connection) ++index;
        if (index == all.size() || users[index].fetch_add(1) != 0) ++shared;
        if (index < all.size()) users[index].fetch_sub(1);
        ReleaseConnectionHandle("a");
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_GT(taken.load(), 0);
  EXPECT_EQ(shared.load(), 0);
  for (ConnectionHandle* connection : all) EXPECT_EQ(connection->owner, kConnectionFree);
}

// --- dates and data sources ------------------------------------------------

TEST(OdbcConvertDateTime, ScansTheColumnTextByType) {
  struct Case {
    const char* text;
    uint8_t type;
    const char* shown;  // the value as the library writes it
  };
  const std::vector<Case> cases = {
      {"2020-01-31", KES_SQL_DATE, "2020-01-31"},
      {"2020-01-31 08:05:09", KES_SQL_DATETIME, "2020-01-31 08:05:09"},
      {"2020-01-31 08:05:09.250", KES_SQL_DATETIME, "2020-01-31 08:05:09"},
      {"08:05:09", KES_SQL_TIME, "08:05:09"},
      {"2020-01", KES_SQL_DATE, "2020-01-00"},
      {"2020-01-31", KES_SQL_DATETIME, "2020-01-31 00:00:00"},
  };
  for (const Case& c : cases) {
    int32_t length = 0;
    char* value = ODBCConvertDateTime(c.text, &length, c.type);
    ASSERT_NE(value, nullptr) << c.text;
    EXPECT_EQ(length, kDateValueSize);
    EXPECT_EQ(hvtest::TakeText(ConvertValueToString(value, length, c.type)), c.shown) << c.text;
    free(value);
  }
  int32_t length = 0;
  EXPECT_EQ(ODBCConvertDateTime("2020-01-31", &length, KES_SQL_VARCHAR), nullptr);
  EXPECT_EQ(ODBCConvertDateTime(nullptr, &length, KES_SQL_DATE), nullptr);
}

std::string IniSection(const std::string& ini, const std::string& name) {
  const size_t start = ini.find("[" + name + "]");
  if (start == std::string::npos) return "";
  const size_t end = ini.find("\n[", start + 1);
  return ini.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST_F(ProviderTest, CreateDSNWritesADataSourceThatAConnectionThenUses) {
  const std::string database = dir_.Sub("created.db");
  EXPECT_TRUE(CreateDSN("tavrix_created", "null", "NULL", "NULL", "Null", database.c_str(),
                        "SQLite3 Setup"))
      << log_.Take();
  const std::string ini = hvtest::ReadFile(hvtest::OdbcTestDirectory() + "/odbc.ini");
  const std::string section = IniSection(ini, "tavrix_created");
  ASSERT_FALSE(section.empty()) << ini;
  EXPECT_NE(section.find(database), std::string::npos) << section;
  for (const char* key : {"DESCRIPTION", "SERVER", "UID", "PWD"}) {
    EXPECT_EQ(section.find(std::string("\n") + key + "="), std::string::npos) << key << section;
  }
  ConnParamsEntry* source =
      CreateConnParamsEntry("tavrix_created", nullptr, nullptr, "c", 0, nullptr, "ODBC", "SQLITE");
  ConnectionHandle* connection = OpenDBConnection(source);
  ASSERT_NE(connection, nullptr) << log_.Take();
  EXPECT_EQ(ExecuteUpdate(connection, "CREATE TABLE made (id INTEGER)"), 1);
  CloseDBConnection(connection);
  FreeConnParamsEntry(source);
  EXPECT_TRUE(hvtest::FileExists(database));

  EXPECT_FALSE(CreateDSN(nullptr, "d", "s", "u", "p", "db", "SQLite3"));
  EXPECT_FALSE(CreateDSN("x", "d", "s", "u", "p", "db", nullptr));
  EXPECT_EQ(CountOf(log_.Take(), "[ERROR] DriverName or DSN name is NULL \n"), 2u);
  EXPECT_FALSE(CreateDSN("x", "d", "s", "u", "p", "db", "No Such Driver"));
  EXPECT_NE(log_.Take().find("[ERROR] SQLConfigDataSource returned FALSE \n"), std::string::npos);
  const std::string longValue(250, 'v');
  EXPECT_FALSE(CreateDSN("x", longValue.c_str(), "s", "u", "p", "db", "SQLite3 Setup"));
  EXPECT_NE(log_.Take().find("longer than 255 characters refused"), std::string::npos);
}

TEST_F(ProviderTest, CreateDSNsFromFileCreatesEachRecordAndGoesOnAfterAFailure) {
  const std::string file =
      Write("dsns.txt", "tavrix_file1 NULL NULL NULL NULL " + dir_.Sub("f1.db") +
                            "   SQLite3 Setup\n"
                            "tavrix_bad NULL NULL NULL NULL db  No Such Driver\n"
                            "tavrix_file2 desc NULL u NULL " +
                            dir_.Sub("f2.db") +
                            " SQLite3 Setup\n"
                            "tavrix_incomplete a b c");
  EXPECT_TRUE(CreateDSNsFromFile(file.c_str()));
  const std::string log = log_.Take();
  EXPECT_EQ(CountOf(log, "[ERROR] Creating DSN tavrix_bad Failed\n"), 1u) << log;
  EXPECT_EQ(log.find("tavrix_incomplete"), std::string::npos);
  const std::string ini = hvtest::ReadFile(hvtest::OdbcTestDirectory() + "/odbc.ini");
  EXPECT_FALSE(IniSection(ini, "tavrix_file1").empty());
  EXPECT_FALSE(IniSection(ini, "tavrix_file2").empty());
  EXPECT_TRUE(IniSection(ini, "tavrix_bad").empty());

  EXPECT_FALSE(CreateDSNsFromFile(dir_.Sub("missing.txt").c_str()));
  EXPECT_NE(log_.Take().find("[ERROR] Error opening File " + dir_.Sub("missing.txt") + " \n"),
            std::string::npos);
}

}  // namespace
