#include "database/db_provider.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "database/odbc_provider.h"
#include "database/text_reader.h"
#include "platform/platform.h"
#include "runtime/conversions.h"
#include "runtime/datetime.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

// Zero-filled vectors are valid empty lists, so every list can be read before
// (and after) its set-up call.
Vector gs_providers;
const DBProvider* gs_loadedProviders[kProviderSlotCount];
Vector gs_connParams;
Vector gs_dataSourceMap;
Vector gs_connectionPool;

// Taking and giving back a pooled connection is one guarded step, so two
// threads never take the same free connection.
std::mutex gs_poolMutex;

// Longest token and rest of line of the text files.
constexpr size_t kMaxToken = 255;
constexpr size_t kMaxRestOfLine = 254;

char* CopyOrNull(const char* text) {
  char* copy = nullptr;
  if (text) AllocateAndCopyString(&copy, text);
  return copy;
}

// A copy that may only fail when there was a text to copy.
bool CopyField(const char* text, char** field) {
  *field = CopyOrNull(text);
  return !text || *field;
}

const DBProvider* ProviderOf(const ConnectionHandle* connection) {
  if (connection->providerIndex < 0 || connection->providerIndex >= kProviderSlotCount) {
    return nullptr;
  }
  return gs_loadedProviders[connection->providerIndex];
}

// Opens the path, or else <root>/data/<name>.
FILE* OpenDataFile(const char* path, const char* name) {
  FILE* file = path ? fopen(path, "r") : nullptr;
  if (file || !gv_tavrixRoot) return file;
  const std::string rooted = std::string(gv_tavrixRoot) + "/data/" + name;
  LogDebug("Opening %s\n", rooted.c_str());
  return fopen(rooted.c_str(), "r");
}

void LogTooLong(const char* file, const char* what, size_t maximum) {
  LogError("%s: %s longer than %zu characters; reading stopped there\n", file, what, maximum);
}

int32_t OwnerValue(Vector* connections) {
  if (connections->count == 1) return kConnectionShared;
  return static_cast<int32_t>(plat::CurrentThreadId());
}

ConnectionPoolEntry* FindPoolEntry(const char* connectionName, bool firstWithoutName) {
  if (gs_connectionPool.count == 0) return nullptr;
  if (!connectionName) {
    if (!firstWithoutName && gs_connectionPool.count != 1) return nullptr;
    return static_cast<ConnectionPoolEntry*>(gs_connectionPool.head->data);
  }
  for (VectorNode* n = gs_connectionPool.head; n; n = n->next) {
    auto* entry = static_cast<ConnectionPoolEntry*>(n->data);
    if (entry->connectionName && strcmp(entry->connectionName, connectionName) == 0) return entry;
  }
  return nullptr;
}

ConnectionPoolEntry* CreatePoolEntry() {
  auto* entry = static_cast<ConnectionPoolEntry*>(calloc(1, sizeof(ConnectionPoolEntry)));
  if (!entry) return nullptr;
  entry->connections = CreateVector();
  if (!entry->connections) {
    free(entry);
    return nullptr;
  }
  return entry;
}

void FreePoolEntry(ConnectionPoolEntry* entry) {
  while (entry->connections->count > 0) {
    auto* connection = static_cast<ConnectionHandle*>(ElementAt(entry->connections, 0)->data);
    DeleteElementAt(entry->connections, 0);
    if (!CloseDBConnection(connection)) {
      // Its provider is gone: nothing can close the native handle any more.
      free(connection->connectionName);
      free(connection);
    }
  }
  FreeVector(entry->connections);
  free(entry->connections);
  free(entry->connectionName);
  free(entry);
}

// Opens count connections for the data source into a new pool entry; count
// 0 is the single connection of EstablishDBConnections, which stops at the
// first failure.  Returns false when the pool entry could not be allocated
// or (single connection) the connection did not open.
bool EstablishForDataSource(ConnParamsEntry* source, int32_t count) {
  ConnectionPoolEntry* entry = CreatePoolEntry();
  if (!entry) {
    LogError("Unable to allocate memory for connection pool\n");
    return false;
  }
  const char* name = source->connectionName ? source->connectionName : "";
  if (count == 0) {
    ConnectionHandle* connection = OpenDBConnection(source);
    if (!connection) {
      LogError("Cannot establish connection.\n");
      FreePoolEntry(entry);
      return false;
    }
    AddElementData(entry->connections, connection);
    LogDebug(" %s : Connection Established\n", name);
  } else {
    for (int32_t i = 0; i < count; ++i) {
      ConnectionHandle* connection = OpenDBConnection(source);
      if (!connection) continue;
      AddElementData(entry->connections, connection);
      LogDebug(" %d : %s : Connection Established\n", i, name);
    }
  }
  entry->connectionName = CopyOrNull(source->connectionName);
  AddElementData(&gs_connectionPool, entry);
  return true;
}

void FreeMapEntry(DataSourceMapEntry* entry) {
  free(entry->tableName);
  free(entry->connectionName);
  free(entry);
}

}  // namespace

// ---------------------------------------------------------------------------
// Provider registry

bool InitDBProvider() {
  if (gs_loadedProviders[0]) {
    LogError("InitDBProvider Failed as already initialized\n");
    return false;
  }
  for (auto& slot : gs_loadedProviders) slot = nullptr;
  RegisterODBCProvider();
  LoadProvider("ODBC");
  LoadProvider("SQLITE");
  InitConnectionLists();
  return true;
}

void InitProviderList() {
  if (gs_providers.count == 0) InitVector(&gs_providers, nullptr);
}

void FreeProviderList() {
  while (gs_providers.count > 0) DeleteElementAt(&gs_providers, 0);
}

bool RegisterProvider(const DBProvider* provider) {
  if (!provider) return false;
  return AddElementData(&gs_providers, const_cast<DBProvider*>(provider)) == kResultSuccess;
}

const DBProvider* GetRegisteredProvider(const char* name) {
  if (!name) return nullptr;
  for (int32_t i = 0; i < gs_providers.count; ++i) {
    VectorNode* node = ElementAt(&gs_providers, i);
    const auto* provider = static_cast<const DBProvider*>(node ? node->data : nullptr);
    if (provider && provider->name && strcmp(provider->name, name) == 0) return provider;
  }
  return nullptr;
}

int32_t FindFreeProviderSlot() {
  for (int32_t i = 0; i < kProviderSlotCount; ++i) {
    if (!gs_loadedProviders[i]) return i;
  }
  return -1;
}

int32_t FindProviderIndex(const char* name) {
  if (!name) return -1;
  for (int32_t i = 0; i < kProviderSlotCount && gs_loadedProviders[i]; ++i) {
    if (gs_loadedProviders[i]->name && strcmp(gs_loadedProviders[i]->name, name) == 0) return i;
  }
  return -1;
}

bool LoadProvider(const char* name) {
  const int32_t slot = FindFreeProviderSlot();
  if (slot < 0) return false;
  gs_loadedProviders[slot] = GetRegisteredProvider(name);
  return gs_loadedProviders[slot] != nullptr;
}

bool UnloadProvider(const char* name) {
  const int32_t slot = FindProviderIndex(name);
  if (slot < 0) return false;
  gs_loadedProviders[slot] = nullptr;
  return true;
}

bool LoadDataSourceProvider() {
  if (gs_connParams.count == 0) {
    LogError("Cannot Load DB provider.\n");
    return false;
  }
  const auto* first = static_cast<ConnParamsEntry*>(ElementAt(&gs_connParams, 0)->data);
  if (!LoadProvider(first->dbType)) {
    LogError("Cannot Load %s provider.\n", first->dbType ? first->dbType : "(null)");
    return false;
  }
  return true;
}

const DBProvider* GetLoadedProvider(int32_t slot) {
  if (slot < 0 || slot >= kProviderSlotCount) return nullptr;
  return gs_loadedProviders[slot];
}

// ---------------------------------------------------------------------------
// Connections

ConnectionHandle* OpenDBConnection(ConnParamsEntry* entry) {
  LogTrace("## Inside OpenDBConnection ##\n");
  if (!entry) return nullptr;
  const int32_t slot = FindProviderIndex(entry->providerName);
  if (slot < 0) return nullptr;
  ConnectionHandle* connection = gs_loadedProviders[slot]->connect(entry);
  if (!connection) return nullptr;
  connection->providerIndex = slot;
  connection->owner = kConnectionFree;
  connection->inTransaction = 0;
  connection->openedAt = GetCurrentTimeInSeconds();
  return connection;
}

bool CloseDBConnection(ConnectionHandle* connection) {
  if (!connection) return false;
  const DBProvider* provider = ProviderOf(connection);
  if (!provider) return false;
  provider->disconnect(connection);
  free(connection->connectionName);
  free(connection);
  return true;
}

// The provider that runs a statement or query on the connection, or none
// (with the operation's message when the connection or the text is missing).
static const DBProvider* ProviderToRun(ConnectionHandle* connection, const char* text,
                                       const char* operation, const char* noText) {
  if (!connection) {
    LogError("ConnectionHandle NULL in %s for Query %s \n", operation, text ? text : "(null)");
    return nullptr;
  }
  if (!text) {
    LogError("%s", noText);
    return nullptr;
  }
  return ProviderOf(connection);
}

static constexpr const char* kNoUpdate = " No Query To be Updated \n";
static constexpr const char* kNoQuery = " No Query To be Executed \n";

uint8_t ExecuteUpdate(ConnectionHandle* connection, const char* statement) {
  const DBProvider* provider = ProviderToRun(connection, statement, "ExecuteUpdate", kNoUpdate);
  return provider ? provider->executeUpdate(connection, statement) : 0;
}

uint8_t ExecuteUpdateRows(ConnectionHandle* connection, const char* statement, int64_t* rows) {
  if (rows) *rows = -1;
  const DBProvider* provider = ProviderToRun(connection, statement, "ExecuteUpdate", kNoUpdate);
  if (!provider) return 0;
  if (!provider->executeUpdateRows) return provider->executeUpdate(connection, statement);
  return provider->executeUpdateRows(connection, statement, rows);
}

uint8_t ExecuteUpdateBlob(ConnectionHandle* connection, const char* statement,
                          DataSupplier supplier, void* context) {
  const DBProvider* provider = ProviderToRun(connection, statement, "ExecuteUpdateBlob", kNoUpdate);
  return provider ? provider->executeUpdateBlob(connection, statement, supplier, context) : 0;
}

ResultSet* ExecuteQuery(ConnectionHandle* connection, const char* query) {
  const DBProvider* provider = ProviderToRun(connection, query, "ExecuteQuery", kNoQuery);
  return provider ? provider->executeQuery(connection, query) : nullptr;
}

ResultSet* ExecuteQueryBlob(ConnectionHandle* connection, const char* query, DataConsumer consumer,
                            void* context) {
  const DBProvider* provider = ProviderToRun(connection, query, "ExecuteQueryBlob", kNoQuery);
  return provider ? provider->executeQueryBlob(connection, query, consumer, context) : nullptr;
}

uint8_t BeginTransaction(ConnectionHandle* connection) {
  if (!connection) return 0;
  const DBProvider* provider = ProviderOf(connection);
  if (!provider) return 0;
  const uint8_t result = provider->beginTransaction(connection);
  if (result == 1) connection->inTransaction = 1;
  return result;
}

uint8_t CommitTransaction(ConnectionHandle* connection) {
  if (!connection || !connection->inTransaction) return 0;
  const DBProvider* provider = ProviderOf(connection);
  if (!provider) return 0;
  const uint8_t result = provider->commitTransaction(connection);
  connection->inTransaction = 0;
  return result;
}

uint8_t RollbackTransaction(ConnectionHandle* connection) {
  if (!connection || !connection->inTransaction) return 0;
  const DBProvider* provider = ProviderOf(connection);
  if (!provider) return 0;
  const uint8_t result = provider->rollbackTransaction(connection);
  connection->inTransaction = 0;
  return result;
}

// ---------------------------------------------------------------------------
// Data sources and the pool

void InitConnectionLists() {
  if (gs_connParams.count == 0) InitVector(&gs_connParams, nullptr);
  if (gs_connectionPool.count == 0) InitVector(&gs_connectionPool, nullptr);
}

bool LoadConnParamsEntryFromFile(const char* path) {
  FILE* file = OpenDataFile(path, "connparams.txt");
  if (!file) {
    LogError("Cannot open Connection Parameters File.\n");
    return false;
  }
  const char* fileName = path ? path : "connparams.txt";
  std::string tokens[10];
  std::string rest;
  for (;;) {
    bool complete = true;
    for (int i = 0; i < 10 && complete; ++i) {
      const TextRead read = ReadFileToken(file, &tokens[i], kMaxToken);
      if (read == TextRead::kTooLong) LogTooLong(fileName, "token", kMaxToken);
      complete = read == TextRead::kRead;
      // The second token is a decimal number.
      if (complete && i == 1) {
        char* end = nullptr;
        strtol(tokens[1].c_str(), &end, 10);
        complete = end && *end == '\0' && end != tokens[1].c_str();
      }
    }
    if (!complete) break;
    const TextRead read = ReadRestOfLine(file, &rest, kMaxRestOfLine);
    if (read == TextRead::kTooLong) LogTooLong(fileName, "connection string", kMaxRestOfLine - 1);
    if (read != TextRead::kRead) break;

    const bool useConnectionString = CompareStringNoCase(tokens[9].c_str(), "YES") == 0;
    const std::string connectionString = rest.empty() ? std::string() : rest.substr(1);
    ConnParamsEntry* entry = CreateConnParamsEntry(
        tokens[2].c_str(), tokens[3].c_str(), tokens[4] == "NULL" ? nullptr : tokens[4].c_str(),
        tokens[6].c_str(), useConnectionString ? 1 : 0,
        useConnectionString ? connectionString.c_str() : nullptr, tokens[7].c_str(),
        tokens[8].c_str());
    if (entry && !AddConnParamsEntry(entry)) FreeConnParamsEntry(entry);
  }
  fclose(file);
  return true;
}

ConnParamsEntry* CreateConnParamsEntry(const char* dsn, const char* userId, const char* password,
                                       const char* connectionName, uint8_t useConnectionString,
                                       const char* connectionString, const char* providerName,
                                       const char* dbType) {
  auto* entry = static_cast<ConnParamsEntry*>(calloc(1, sizeof(ConnParamsEntry)));
  if (!entry) return nullptr;
  entry->useConnectionString = useConnectionString;
  const bool copied =
      CopyField(dsn, &entry->dsn) && CopyField(userId, &entry->userId) &&
      CopyField(password, &entry->password) && CopyField(connectionName, &entry->connectionName) &&
      CopyField(useConnectionString ? connectionString : nullptr, &entry->connectionString) &&
      CopyField(providerName, &entry->providerName) && CopyField(dbType, &entry->dbType);
  if (!copied) {
    FreeConnParamsEntry(entry);
    return nullptr;
  }
  return entry;
}

void FreeConnParamsEntry(ConnParamsEntry* entry) {
  if (!entry) return;
  free(entry->dsn);
  free(entry->userId);
  free(entry->password);
  free(entry->connectionName);
  free(entry->connectionString);
  free(entry->providerName);
  free(entry->dbType);
  free(entry);
}

bool AddConnParamsEntry(ConnParamsEntry* entry) {
  if (!entry) return false;
  return AddElementData(&gs_connParams, entry) == kResultSuccess;
}

bool DeleteConnParamsEntry(const char* connectionName) {
  if (!connectionName) return false;
  for (int32_t i = 0; i < gs_connParams.count; ++i) {
    auto* entry = static_cast<ConnParamsEntry*>(ElementAt(&gs_connParams, i)->data);
    if (entry->connectionName && strcmp(entry->connectionName, connectionName) == 0) {
      DeleteElementAt(&gs_connParams, i);
      FreeConnParamsEntry(entry);
      return true;
    }
  }
  return false;
}

ConnParamsEntry* GetConnParamsEntry(const char* connectionName) {
  if (!connectionName) return nullptr;
  for (VectorNode* n = gs_connParams.head; n; n = n->next) {
    auto* entry = static_cast<ConnParamsEntry*>(n->data);
    if (entry->connectionName && strcmp(entry->connectionName, connectionName) == 0) return entry;
  }
  return nullptr;
}

const char* GetDefaultConnectionName() {
  if (gs_connParams.count == 0) return nullptr;
  const auto* first = static_cast<ConnParamsEntry*>(ElementAt(&gs_connParams, 0)->data);
  if (!first->connectionName) LogError("Connection Name IS NULL\n");
  return first->connectionName;
}

void FreeAllConnParamsEntries() {
  while (gs_connParams.count > 0) {
    auto* entry = static_cast<ConnParamsEntry*>(ElementAt(&gs_connParams, 0)->data);
    DeleteElementAt(&gs_connParams, 0);
    FreeConnParamsEntry(entry);
  }
}

Vector* GetConnParamsList() { return &gs_connParams; }

bool EstablishDBConnections() {
  for (int32_t i = 0; i < gs_connParams.count; ++i) {
    auto* source = static_cast<ConnParamsEntry*>(ElementAt(&gs_connParams, i)->data);
    if (!EstablishForDataSource(source, 0)) return false;
  }
  return true;
}

bool EstablishDBConnectionPool(int32_t count) {
  if (gs_connParams.count == 0) {
    LogError("There is no entry in data source vector\n");
    return false;
  }
  if (count <= 0) count = 5;
  for (int32_t i = 0; i < gs_connParams.count; ++i) {
    auto* source = static_cast<ConnParamsEntry*>(ElementAt(&gs_connParams, i)->data);
    if (!EstablishForDataSource(source, count)) return false;
  }
  return true;
}

ConnectionHandle* GetConnectionHandle(const char* connectionName) {
  const uint32_t now = GetCurrentTimeInSeconds();
  std::lock_guard<std::mutex> guard(gs_poolMutex);
  ConnectionPoolEntry* entry = FindPoolEntry(connectionName, false);
  if (!entry) return nullptr;
  Vector* connections = entry->connections;
  const int32_t owner = OwnerValue(connections);

  // The pool's lists change only under the pool lock held here: they are
  // walked directly.
  VectorNode* held = nullptr;
  for (VectorNode* n = connections->head; n && !held; n = n->next) {
    if (static_cast<ConnectionHandle*>(n->data)->owner == owner) held = n;
  }
  for (VectorNode* n = connections->head; n && !held; n = n->next) {
    auto* connection = static_cast<ConnectionHandle*>(n->data);
    if (connection->owner == kConnectionFree) {
      connection->owner = owner;
      held = n;
    }
  }
  if (!held) return nullptr;
  auto* answer = static_cast<ConnectionHandle*>(held->data);
  if (static_cast<uint32_t>(now - answer->openedAt) <= kConnectionMaxAge) return answer;

  // Stale: replace it with a new connection to the same data source.
  ConnParamsEntry* source = GetConnParamsEntry(answer->connectionName);
  if (!source) {
    LogError("Cannot return connection handle. Error in fetching connection parameters.\n");
    return nullptr;
  }
  DeleteElement(connections, held);
  CloseDBConnection(answer);
  ConnectionHandle* fresh = OpenDBConnection(source);
  if (!fresh) {
    LogError(
        "Cannot return connection handle. Error in opening connection while re-establishing "
        "connection hanlde.\n");
    return nullptr;
  }
  AddElementData(connections, fresh);
  fresh->owner = owner;
  LogDebug(" %s : Connection Established\n", fresh->connectionName ? fresh->connectionName : "");
  return fresh;
}

bool ReleaseConnectionHandle(const char* connectionName) {
  std::lock_guard<std::mutex> guard(gs_poolMutex);
  ConnectionPoolEntry* entry = FindPoolEntry(connectionName, true);
  if (!entry) return false;
  const int32_t owner = OwnerValue(entry->connections);
  for (VectorNode* n = entry->connections->head; n; n = n->next) {
    auto* connection = static_cast<ConnectionHandle*>(n->data);
    if (connection->owner == owner) {
      connection->owner = kConnectionFree;
      return true;
    }
  }
  return false;
}

void CloseAllConnections() {
  std::lock_guard<std::mutex> guard(gs_poolMutex);
  while (gs_connectionPool.count > 0) {
    auto* entry = static_cast<ConnectionPoolEntry*>(ElementAt(&gs_connectionPool, 0)->data);
    DeleteElementAt(&gs_connectionPool, 0);
    FreePoolEntry(entry);
  }
}

Vector* GetConnectionPool() { return &gs_connectionPool; }

// ---------------------------------------------------------------------------
// The data-source map

bool LoadDataSourceMapEntryFromFile(const char* path) {
  LogTrace("\n\t@@@@@ Inside LoadDataSourceMapEntryFromFile() @@@@@ \n");
  FILE* file = OpenDataFile(path, "dsn_table_map.txt");
  if (!file) {
    LogError("Cannot open DataSourceMap Entry File.\n");
    return false;
  }
  const char* fileName = path ? path : "dsn_table_map.txt";
  std::string table;
  std::string connection;
  for (;;) {
    TextRead read = ReadFileToken(file, &table, kMaxToken);
    if (read == TextRead::kRead) read = ReadFileToken(file, &connection, kMaxToken);
    if (read == TextRead::kTooLong) LogTooLong(fileName, "token", kMaxToken);
    if (read != TextRead::kRead) break;
    DataSourceMapEntry* entry = CreateDataSourceMapEntry(table.c_str(), connection.c_str());
    if (entry && !AddDataSourceMapEntry(entry)) FreeMapEntry(entry);
  }
  fclose(file);
  return true;
}

DataSourceMapEntry* CreateDataSourceMapEntry(const char* tableName, const char* connectionName) {
  LogTrace("\n\t@@@@@ Inside CreateDataSourceMapEntry() @@@@@ \n");
  auto* entry = static_cast<DataSourceMapEntry*>(calloc(1, sizeof(DataSourceMapEntry)));
  if (!entry) return nullptr;
  if (!CopyField(tableName, &entry->tableName) ||
      !CopyField(connectionName, &entry->connectionName)) {
    FreeMapEntry(entry);
    return nullptr;
  }
  return entry;
}

bool AddDataSourceMapEntry(DataSourceMapEntry* entry) {
  LogTrace("\n\t@@@@@ Inside AddDataSourceMapEntry() @@@@@ \n");
  if (!entry) return false;
  return AddElementData(&gs_dataSourceMap, entry) == kResultSuccess;
}

DataSourceMapEntry* GetDataSourceMapEntry(const char* tableName) {
  LogTrace("\n\t@@@@@ Inside GetDataSourceMapEntry() @@@@@ \n");
  if (!tableName) return nullptr;
  for (VectorNode* n = gs_dataSourceMap.head; n; n = n->next) {
    auto* entry = static_cast<DataSourceMapEntry*>(n->data);
    if (entry->tableName && CompareStringNoCase(entry->tableName, tableName) == 0) return entry;
  }
  return nullptr;
}

bool DeleteDataSourceMapEntry(const char* tableName) {
  LogTrace("\n\t@@@@@ Inside DeleteDataSourceMapEntry() @@@@@ \n");
  if (!tableName) return false;
  for (int32_t i = 0; i < gs_dataSourceMap.count; ++i) {
    auto* entry = static_cast<DataSourceMapEntry*>(ElementAt(&gs_dataSourceMap, i)->data);
    if (entry->tableName && CompareStringNoCase(entry->tableName, tableName) == 0) {
      DeleteElementAt(&gs_dataSourceMap, i);
      FreeMapEntry(entry);
      return true;
    }
  }
  return false;
}

void FreeAllDataSourceMapEntries() {
  LogTrace("\n\t@@@@@ Inside FreeAllDataSourceMapEntries() @@@@@ \n");
  while (gs_dataSourceMap.count > 0) {
    auto* entry = static_cast<DataSourceMapEntry*>(ElementAt(&gs_dataSourceMap, 0)->data);
    DeleteElementAt(&gs_dataSourceMap, 0);
    FreeMapEntry(entry);
  }
}

const char* GetDataSourceName(const char* tableName) {
  DataSourceMapEntry* entry = GetDataSourceMapEntry(tableName);
  if (!entry) {
    LogError("No DataSourceMap Entry for Table name %s \n", tableName ? tableName : "(null)");
    return nullptr;
  }
  return entry->connectionName;
}

const char* GetProviderName(const char* connectionName) {
  ConnParamsEntry* entry = GetConnParamsEntry(connectionName);
  return entry ? entry->providerName : nullptr;
}

const char* GetDBType(const char* connectionName) {
  ConnParamsEntry* entry = GetConnParamsEntry(connectionName);
  if (!entry) {
    LogError("dbConnPtr is NULL for Connection Name %s \n",
             connectionName ? connectionName : "(null)");
    return nullptr;
  }
  return entry->dbType;
}
