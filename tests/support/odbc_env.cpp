#include "tests/support/odbc_env.h"

#include <spawn.h>

#include <cstdlib>
#include <map>
#include <sstream>

#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "database/sql_dialect.h"
#include "tests/support/test_support.h"

extern char** environ;

namespace hvtest {
namespace {

std::map<std::string, std::string> ServerState() {
  std::map<std::string, std::string> values;
  const std::string path = std::string(HV_DB_STATE_DIR) + "/env";
  if (!FileExists(path)) return values;
  for (const std::string& line : SplitLines(ReadFile(path))) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values;
}

std::string MakeDirectory() {
  char pattern[] = "/tmp/hvodbc.XXXXXX";
  const char* made = mkdtemp(pattern);
  return made ? made : "/tmp";
}

void RemoveDirectory() {
  const std::string& dir = OdbcTestDirectory();
  if (dir.rfind("/tmp/hvodbc.", 0) == 0) {
    const std::string command = "rm -rf '" + dir + "'";
    if (system(command.c_str()) != 0) return;
  }
}

std::string SetUp() {
  const std::string dir = MakeDirectory();
  // The drivers the machine's packages registered, under their own names;
  // the SQLite driver gets the tests' setup library for the installer.
  std::string drivers = FileExists("/etc/odbcinst.ini") ? ReadFile("/etc/odbcinst.ini") : "";
  drivers += "\n[SQLite3 Setup]\nDriver=";
  const size_t sqlite = drivers.find("[SQLite3]");
  std::string sqliteDriver = "libsqlite3odbc.so";
  if (sqlite != std::string::npos) {
    const size_t key = drivers.find("Driver=", sqlite);
    if (key != std::string::npos) {
      sqliteDriver = drivers.substr(key + 7, drivers.find('\n', key) - key - 7);
    }
  }
  drivers += sqliteDriver + "\nSetup=" HV_ODBC_SETUP_LIBRARY "\n";
  WriteFile(dir + "/odbcinst.ini", drivers);
  const auto state = ServerState();
  auto get = [&state](const char* key) {
    auto found = state.find(key);
    return found == state.end() ? std::string() : found->second;
  };
  std::ostringstream ini;
  ini << "[tavrix_sqlite]\nDriver=SQLite3\nDatabase=" << dir << "/tavrix.db\n\n";
  ini << "[tavrix_pg]\nDriver=PostgreSQL ANSI\nServername=" << get("PG_SOCKET_DIR")
      << "\nPort=" << get("PG_PORT") << "\nDatabase=" << get("PG_DATABASE") << "\n\n";
  ini << "[tavrix_mariadb]\nDriver=MariaDB Unicode\nSocket=" << get("MARIADB_SOCKET")
      << "\nDatabase=" << get("MARIADB_DATABASE") << "\n";
  WriteFile(dir + "/odbc.ini", ini.str());
  setenv("ODBCSYSINI", dir.c_str(), 1);
  setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);
  return dir;
}

bool RunServers(const char* command) {
  const std::string line = std::string("'") + HV_SOURCE_DIR + "/scripts/db-servers.sh' " + command +
                           " '" + HV_DB_STATE_DIR + "' >/dev/null";
  return system(line.c_str()) == 0;
}

}  // namespace

const std::string& OdbcTestDirectory() {
  static const std::string dir = [] {
    std::string made = SetUp();
    return made;
  }();
  static const bool cleanup = (atexit(RemoveDirectory), true);
  (void)cleanup;
  return dir;
}

OdbcEngine EngineDetails(Engine engine, std::string* notRunning) {
  const std::string& dir = OdbcTestDirectory();
  const auto state = ServerState();
  auto get = [&state](const char* key) {
    auto found = state.find(key);
    return found == state.end() ? std::string() : found->second;
  };
  notRunning->clear();
  const std::string how = std::string("the database servers are not running (state ") +
                          HV_DB_STATE_DIR +
                          "/env missing): start them with scripts/db-servers.sh "
                          "start " +
                          HV_DB_STATE_DIR;
  switch (engine) {
    case Engine::kSqlite:
      return {engine,
              "SQLite",
              "tavrix_sqlite",
              "SQLITE",
              "",
              "",
              "DRIVER={SQLite3};Database=" + dir + "/tavrix.db"};
    case Engine::kPostgres:
      if (state.empty()) *notRunning = how;
      return {engine,
              "PostgreSQL",
              "tavrix_pg",
              "PGSQL",
              get("PG_USER"),
              "",
              "DRIVER={PostgreSQL ANSI};Servername=" + get("PG_SOCKET_DIR") + ";Port=" +
                  get("PG_PORT") + ";Database=" + get("PG_DATABASE") + ";UID=" + get("PG_USER")};
    case Engine::kMariaDb:
      if (state.empty()) *notRunning = how;
      return {engine,
              "MariaDB",
              "tavrix_mariadb",
              "MYSQL",
              get("MARIADB_USER"),
              get("MARIADB_PASSWORD"),
              "DRIVER={MariaDB Unicode};Socket=" + get("MARIADB_SOCKET") +
                  ";Database=" + get("MARIADB_DATABASE") + ";UID=" + get("MARIADB_USER") +
                  ";PWD=" + get("MARIADB_PASSWORD")};
  }
  return {};
}

const char* EngineName(Engine engine) {
  switch (engine) {
    case Engine::kSqlite:
      return "SQLite";
    case Engine::kPostgres:
      return "PostgreSQL";
    case Engine::kMariaDb:
      return "MariaDB";
  }
  return "";
}

void AddEngineDataSource(const OdbcEngine& engine, const char* connectionName,
                         const std::vector<const char*>& tables) {
  RegisterODBCProvider();
  if (FindProviderIndex("ODBC") < 0) LoadProvider("ODBC");
  InitConnectionLists();
  AddConnParamsEntry(
      CreateConnParamsEntry(engine.dsn, engine.user.empty() ? nullptr : engine.user.c_str(),
                            engine.password.empty() ? nullptr : engine.password.c_str(),
                            connectionName, 0, nullptr, "ODBC", engine.dbType));
  for (const char* table : tables) {
    AddDataSourceMapEntry(CreateDataSourceMapEntry(table, connectionName));
  }
}

void RemoveEngineDataSources() {
  CloseAllConnections();
  FreeAllConnParamsEntries();
  FreeAllDataSourceMapEntries();
  SetDSNMapValid(0, 0);
  FreeSqlDialects();
}

bool ExecOn(const char* connectionName, const std::string& statement) {
  ConnectionHandle* connection = GetConnectionHandle(connectionName);
  const bool ok = connection && ExecuteUpdate(connection, statement.c_str()) == 1;
  ReleaseConnectionHandle(connectionName);
  return ok;
}

pid_t SpawnSelf(const std::vector<std::string>& extraEnvironment) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.push_back(*e);
  env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char program[] = "/proc/self/exe";
  char* argv[] = {program, nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, program, nullptr, nullptr, argv, envp.data()) != 0) return -1;
  return pid;
}

bool StopPostgres() { return RunServers("stop-pg"); }
bool StartPostgres() { return RunServers("start-pg"); }

}  // namespace hvtest
