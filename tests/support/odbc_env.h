// The ODBC set-up of the test programs: an odbcinst.ini with the machine's
// drivers and an odbc.ini with one data source per engine, in a temporary
// directory that ODBCSYSINI and ODBCINI point at; and the database servers
// that scripts/db-servers.sh started for the tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <ostream>
#include <string>
#include <vector>

namespace hvtest {

enum class Engine { kSqlite, kPostgres, kMariaDb };

struct OdbcEngine {
  Engine engine;
  const char* name;    // for test names
  const char* dsn;     // its data source in the test odbc.ini
  const char* dbType;  // dialect name
  std::string user;    // for the connection (may be empty)
  std::string password;
  std::string connectionString;  // a complete one, without data source
};

const char* EngineName(Engine engine);
// Test parameters print as the engine's name.
inline void PrintTo(Engine engine, std::ostream* out) { *out << EngineName(engine); }

// The engines a suite runs on, and its test names ("SQLite", ...).
inline auto AllEngines() {
  return ::testing::Values(Engine::kSqlite, Engine::kPostgres, Engine::kMariaDb);
}
inline std::string EngineTestName(const ::testing::TestParamInfo<Engine>& info) {
  return EngineName(info.param);
}

// Starts this test program again as a worker process, with the test's own
// environment plus the given NAME=value entries; its process id, or -1.
pid_t SpawnSelf(const std::vector<std::string>& extraEnvironment);

// Sets the environment up once per process and returns the directory of the
// ini files.  The SQLite database file lives there too.
const std::string& OdbcTestDirectory();

// The engine's connection details.  A server engine whose server is not
// running makes the calling test fail (with how to start it), never skip:
// check the returned reason first.
OdbcEngine EngineDetails(Engine engine, std::string* notRunning);

// The ODBC provider loaded, the engine's data source registered in the
// library under connectionName with the engine's dialect, and the tables
// mapped to it.
void AddEngineDataSource(const OdbcEngine& engine, const char* connectionName,
                         const std::vector<const char*>& tables);

// Undoes AddEngineDataSource and the dialect set-up of a test: connections
// closed, data sources and map entries freed, the map invalid, the dialects
// forgotten.
void RemoveEngineDataSources();

// Runs a statement on a connection of the data source, handed back at once;
// true when it succeeded.
bool ExecOn(const char* connectionName, const std::string& statement);

// Stops / starts the PostgreSQL server of the tests.
bool StopPostgres();
bool StartPostgres();

}  // namespace hvtest
