// Database access: the registry of database access providers (two of them
// loaded at a time), the data sources of connparams.txt, the table-to-data-
// source map of dsn_table_map.txt and the pool of open connections per data
// source, handed out per thread.  Statements, queries and transactions on a
// connection dispatch through the provider that opened it.
#pragma once

#include <cstdint>

#include "../datastore/result_set.h"
#include "../runtime/vector.h"

// One data source (a record of connparams.txt).  The texts are owned.
struct ConnParamsEntry {
  char* dsn;
  char* userId;
  char* password;  // absent when the file says NULL
  char* connectionName;
  uint8_t useConnectionString;
  char* connectionString;  // present only with useConnectionString
  char* providerName;
  char* dbType;  // MYSQL, PGSQL, FIREBIRD or SQLITE
};

struct DataSourceMapEntry {
  char* tableName;
  char* connectionName;
};

inline constexpr int32_t kConnectionFree = -1;
inline constexpr int32_t kConnectionShared = 1;

// One open connection.
struct ConnectionHandle {
  void* nativeHandle;  // the provider's; freed by its disconnect
  char* connectionName;
  int32_t providerIndex;  // slot of the loaded provider that opened it
  int32_t owner;          // kConnectionFree, kConnectionShared or a thread id
  uint8_t inTransaction;
  uint32_t openedAt;  // seconds since 1970
};

struct ConnectionPoolEntry {
  char* connectionName;
  Vector* connections;  // of ConnectionHandle*
};

// Hands the next piece of a streamed value to a statement: stores its
// address and length and returns anything but kNoMoreData, or returns
// kNoMoreData when the value is complete.
inline constexpr uint8_t kNoMoreData = 2;
using DataSupplier = uint8_t (*)(char** data, int32_t* length, void* context);
// Receives the pieces of a streamed column: each piece (length -1 for a NULL
// value), then one call without data and length 0 when the value ends.
using DataConsumer = uint8_t (*)(const char* data, int32_t length, void* context);

struct DBProvider {
  const char* name;
  ConnectionHandle* (*connect)(ConnParamsEntry* entry);
  uint8_t (*executeUpdate)(ConnectionHandle* connection, const char* statement);
  ResultSet* (*executeQuery)(ConnectionHandle* connection, const char* query);
  bool (*disconnect)(ConnectionHandle* connection);
  uint8_t (*beginTransaction)(ConnectionHandle* connection);
  uint8_t (*commitTransaction)(ConnectionHandle* connection);
  uint8_t (*rollbackTransaction)(ConnectionHandle* connection);
  uint8_t (*executeUpdateBlob)(ConnectionHandle* connection, const char* statement,
                               DataSupplier supplier, void* context);
  ResultSet* (*executeQueryBlob)(ConnectionHandle* connection, const char* query,
                                 DataConsumer consumer, void* context);
  // Optional: executeUpdate that also stores the number of rows touched.
  uint8_t (*executeUpdateRows)(ConnectionHandle* connection, const char* statement, int64_t* rows);
};

inline constexpr int32_t kProviderSlotCount = 2;
// Connections older than this (in seconds) are replaced when handed out.
inline constexpr uint32_t kConnectionMaxAge = 27900;

// Provider registry.
bool InitDBProvider();
void InitProviderList();
void FreeProviderList();
bool RegisterProvider(const DBProvider* provider);
const DBProvider* GetRegisteredProvider(const char* name);
int32_t FindFreeProviderSlot();
int32_t FindProviderIndex(const char* name);
bool LoadProvider(const char* name);
bool UnloadProvider(const char* name);
bool LoadDataSourceProvider();
// The provider loaded in a slot, or none.
const DBProvider* GetLoadedProvider(int32_t slot);

// Connections.
ConnectionHandle* OpenDBConnection(ConnParamsEntry* entry);
bool CloseDBConnection(ConnectionHandle* connection);
uint8_t ExecuteUpdate(ConnectionHandle* connection, const char* statement);
// ExecuteUpdate that also stores how many rows the statement touched (-1
// when the provider cannot tell).
uint8_t ExecuteUpdateRows(ConnectionHandle* connection, const char* statement, int64_t* rows);
uint8_t ExecuteUpdateBlob(ConnectionHandle* connection, const char* statement,
                          DataSupplier supplier, void* context);
ResultSet* ExecuteQuery(ConnectionHandle* connection, const char* query);
ResultSet* ExecuteQueryBlob(ConnectionHandle* connection, const char* query, DataConsumer consumer,
                            void* context);
uint8_t BeginTransaction(ConnectionHandle* connection);
uint8_t CommitTransaction(ConnectionHandle* connection);
uint8_t RollbackTransaction(ConnectionHandle* connection);

// Data sources and the pool.
void InitConnectionLists();
bool LoadConnParamsEntryFromFile(const char* path);
ConnParamsEntry* CreateConnParamsEntry(const char* dsn, const char* userId, const char* password,
                                       const char* connectionName, uint8_t useConnectionString,
                                       const char* connectionString, const char* providerName,
                                       const char* dbType);
void FreeConnParamsEntry(ConnParamsEntry* entry);
bool AddConnParamsEntry(ConnParamsEntry* entry);
bool DeleteConnParamsEntry(const char* connectionName);
ConnParamsEntry* GetConnParamsEntry(const char* connectionName);
const char* GetDefaultConnectionName();
void FreeAllConnParamsEntries();
// The data-source list (ConnParamsEntry*, in file order); read it, never
// change it.
Vector* GetConnParamsList();
bool EstablishDBConnections();
bool EstablishDBConnectionPool(int32_t count);
ConnectionHandle* GetConnectionHandle(const char* connectionName);
bool ReleaseConnectionHandle(const char* connectionName);
void CloseAllConnections();
// The pool (ConnectionPoolEntry*, in data-source order); read it, never
// change it.
Vector* GetConnectionPool();

// The data-source map and lookups.
bool LoadDataSourceMapEntryFromFile(const char* path);
DataSourceMapEntry* CreateDataSourceMapEntry(const char* tableName, const char* connectionName);
bool AddDataSourceMapEntry(DataSourceMapEntry* entry);
DataSourceMapEntry* GetDataSourceMapEntry(const char* tableName);
bool DeleteDataSourceMapEntry(const char* tableName);
void FreeAllDataSourceMapEntries();
const char* GetDataSourceName(const char* tableName);
const char* GetProviderName(const char* connectionName);
const char* GetDBType(const char* connectionName);
