// The ODBC provider: connections through the ODBC driver manager,
// statements, queries whose columns become result-set values, streamed
// binary parameters and columns, transactions with the driver's
// diagnostics, and data sources created through the ODBC installer.
#pragma once

#include <cstdint>

#include "db_provider.h"

// Registers the provider under the name "ODBC" (once).
bool RegisterODBCProvider();
const DBProvider* GetODBCProvider();

ConnectionHandle* ODBCConnect(ConnParamsEntry* entry);
uint8_t ODBCExecuteUpdate(ConnectionHandle* connection, const char* statement);
// ODBCExecuteUpdate that also tells how many rows the statement touched.
uint8_t ODBCExecuteUpdateRows(ConnectionHandle* connection, const char* statement, int64_t* rows);
uint8_t ODBCExecuteUpdateBlob(ConnectionHandle* connection, const char* statement,
                              DataSupplier supplier, void* context);
ResultSet* ODBCExecuteQuery(ConnectionHandle* connection, const char* query);
ResultSet* ODBCExecuteQueryBlob(ConnectionHandle* connection, const char* query,
                                DataConsumer consumer, void* context);
bool ODBCDisconnect(ConnectionHandle* connection);
uint8_t ODBCBeginTransaction(ConnectionHandle* connection);
uint8_t ODBCCommitTransaction(ConnectionHandle* connection);
uint8_t ODBCRollbackTransaction(ConnectionHandle* connection);
// Logs the first diagnostic record of an ODBC connection handle (HDBC).
void ODBCPrintDiagnostics(void* odbcConnection);
// A date (type 16), time (17) or date-time (18) column text as a new 11-byte
// date value; *length is set to 11.
char* ODBCConvertDateTime(const char* text, int32_t* length, uint8_t type);

bool CreateDSNsFromFile(const char* path);
bool CreateDSN(const char* dsn, const char* description, const char* server, const char* user,
               const char* password, const char* database, const char* driverName);
