#include "database/odbc_provider.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "database/text_reader.h"
#include "datastore/column_value.h"
#include "runtime/conversions.h"
#include "runtime/datetime.h"
#include "runtime/locktable.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

// The ODBC headers need the Windows types on Windows.  They come last, so
// their macros reach none of the declarations above.
#ifdef _WIN32
#include <windows.h>
#endif
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

namespace {

// The native handle of a connection: its ODBC connection and the
// environment allocated for it, freed together after it.
struct OdbcConnection {
  SQLHENV environment;
  SQLHDBC connection;
};

constexpr SQLSMALLINT kColumnNameBuffer = 99;
constexpr SQLLEN kBlobChunk = 1024;
constexpr size_t kMaxToken = 255;
constexpr size_t kMaxRestOfLine = 254;
constexpr size_t kMaxAttributes = 255;

const DBProvider kOdbcProvider = {
    "ODBC",
    ODBCConnect,
    ODBCExecuteUpdate,
    ODBCExecuteQuery,
    ODBCDisconnect,
    ODBCBeginTransaction,
    ODBCCommitTransaction,
    ODBCRollbackTransaction,
    ODBCExecuteUpdateBlob,
    ODBCExecuteQueryBlob,
    ODBCExecuteUpdateRows,
};

SQLHDBC DbcOf(const ConnectionHandle* connection) {
  if (!connection || !connection->nativeHandle) return SQL_NULL_HDBC;
  return static_cast<OdbcConnection*>(connection->nativeHandle)->connection;
}

// Every diagnostic record of a handle at DEBUG: what the driver said about a
// warning or a failure, for whoever reads the log at that level.
void LogDriverMessages(SQLSMALLINT handleType, SQLHANDLE handle) {
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = {0};
    SQLINTEGER native = 0;
    SQLCHAR message[512] = {0};
    SQLSMALLINT length = 0;
    const SQLRETURN r = SQLGetDiagRec(handleType, handle, record, state, &native, message,
                                      sizeof(message), &length);
    if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO) break;
    LogDebug("ODBC diagnostic: STATE %s NAT %ld MSG %s\n", reinterpret_cast<char*>(state),
             static_cast<long>(native), reinterpret_cast<char*>(message));
  }
}

// A driver's warning is success; its message goes to the log at DEBUG.
bool Succeeded(SQLRETURN result, SQLSMALLINT handleType, SQLHANDLE handle) {
  if (result == SQL_SUCCESS) return true;
  LogDriverMessages(handleType, handle);
  return result == SQL_SUCCESS_WITH_INFO;
}

bool Failed(SQLRETURN result, SQLSMALLINT handleType, SQLHANDLE handle, const char* message) {
  if (Succeeded(result, handleType, handle)) return false;
  LogError("%s", message);
  return true;
}

void FreeStatement(SQLHSTMT statement) {
  SQLFreeStmt(statement, SQL_CLOSE);
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
}

SQLHSTMT AllocateStatement(SQLHDBC dbc) {
  SQLHSTMT statement = SQL_NULL_HSTMT;
  if (Failed(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement), SQL_HANDLE_DBC, dbc,
             "Allocating Statement Handle failed\n")) {
    return SQL_NULL_HSTMT;
  }
  return statement;
}

// The library's column type for an SQL data type.
uint8_t MapSqlType(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_TINYINT:
      return KES_SQL_BOOLEAN;
    case SQL_SMALLINT:
      return KES_SQL_SMALLINT;
    case SQL_INTEGER:
      return KES_SQL_INT;
    case SQL_BIGINT:
      return KES_SQL_BIGINT;
    case SQL_FLOAT:
      return KES_SQL_FLOAT;
    case SQL_DOUBLE:
      return KES_SQL_DOUBLE;
    case SQL_NUMERIC:
      return KES_SQL_NUMERIC;
    case SQL_CHAR:
      return KES_SQL_CHAR;
    case SQL_VARCHAR:
      return KES_SQL_VARCHAR;
    case SQL_DATE:
      return KES_SQL_DATE;
    case SQL_TIME:
      return KES_SQL_TIME;
    case SQL_TIMESTAMP:
      return KES_SQL_DATETIME;
    case SQL_LONGVARCHAR:
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return KES_SQL_BLOB;
    default:
      return KES_SQL_NOT_SUPPORTED_TYPE;
  }
}

bool IsBinarySqlType(SQLSMALLINT sqlType) {
  return sqlType == SQL_LONGVARCHAR || sqlType == SQL_BINARY || sqlType == SQL_VARBINARY ||
         sqlType == SQL_LONGVARBINARY;
}

// One query's columns and the buffer every text cell is read into.
struct QueryColumns {
  ColumnInfo** infos = nullptr;
  std::vector<SQLSMALLINT> sqlTypes;
  SQLSMALLINT count = 0;
  std::vector<char> cell = std::vector<char>(256);

  ~QueryColumns() {
    if (infos) FreeColumnInfos(infos, count);
  }
};

bool DescribeColumns(SQLHSTMT statement, QueryColumns* columns) {
  columns->infos =
      static_cast<ColumnInfo**>(calloc(columns->count ? columns->count : 1, sizeof(ColumnInfo*)));
  if (!columns->infos) return false;
  columns->sqlTypes.resize(columns->count);
  for (SQLSMALLINT i = 0; i < columns->count; ++i) {
    std::vector<SQLCHAR> name(kColumnNameBuffer);
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT sqlType = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    SQLRETURN r = SQLDescribeCol(statement, i + 1, name.data(), kColumnNameBuffer, &nameLength,
                                 &sqlType, &size, &digits, &nullable);
    if (r == SQL_SUCCESS_WITH_INFO && nameLength >= kColumnNameBuffer) {
      // A longer name than the buffer: ask again with room for all of it.
      name.assign(nameLength + 1, 0);
      r = SQLDescribeCol(statement, i + 1, name.data(), nameLength + 1, &nameLength, &sqlType,
                         &size, &digits, &nullable);
    }
    if (Failed(r, SQL_HANDLE_STMT, statement, "SQLDescribeCol failed\n")) return false;
    columns->sqlTypes[i] = sqlType;
    columns->infos[i] = CreateColumnInfo(reinterpret_cast<char*>(name.data()), MapSqlType(sqlType));
    if (!columns->infos[i]) return false;
  }
  return true;
}

enum class Cell { kValue, kNull, kError };

// Reads a column of the current row as text, whole, into columns->cell.
Cell ReadTextCell(SQLHSTMT statement, SQLUSMALLINT column, QueryColumns* columns, size_t* length) {
  std::vector<char>& buffer = columns->cell;
  size_t used = 0;
  for (;;) {
    SQLLEN indicator = 0;
    const SQLLEN room = static_cast<SQLLEN>(buffer.size() - used);
    const SQLRETURN r =
        SQLGetData(statement, column, SQL_C_CHAR, buffer.data() + used, room, &indicator);
    if (r == SQL_NO_DATA) break;
    if (!Succeeded(r, SQL_HANDLE_STMT, statement)) {
      LogError("SQLGetData failed\n");
      return Cell::kError;
    }
    if (indicator == SQL_NULL_DATA) return Cell::kNull;
    if (indicator != SQL_NO_TOTAL && indicator < room) {
      used += static_cast<size_t>(indicator);
      break;
    }
    // Cut off: keep what arrived (all but the terminating NUL) and make room
    // for the rest.
    used += static_cast<size_t>(room - 1);
    size_t wanted = buffer.size() * 2;
    if (indicator != SQL_NO_TOTAL) {
      wanted = std::max(wanted, used + static_cast<size_t>(indicator - (room - 1)) + 1);
    }
    buffer.resize(wanted);
  }
  if (used >= buffer.size()) buffer.resize(used + 1);
  buffer[used] = '\0';
  *length = used;
  return Cell::kValue;
}

// Sends a binary column of the current row to the consumer in pieces of at
// most 1024 bytes, then the closing call.  False when the driver fails.
bool StreamBinaryCell(SQLHSTMT statement, SQLUSMALLINT column, DataConsumer consumer,
                      void* context) {
  char chunk[kBlobChunk];
  bool ok = true;
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN r = SQLGetData(statement, column, SQL_C_BINARY, chunk, kBlobChunk, &indicator);
    if (r == SQL_NO_DATA) break;
    if (!Succeeded(r, SQL_HANDLE_STMT, statement)) {
      LogError("SQLGetData failed\n");
      ok = false;
      break;
    }
    if (indicator == SQL_NULL_DATA) {
      consumer(chunk, -1, context);
      break;
    }
    // SQL_NO_TOTAL: the driver filled the chunk without telling what remains.
    const int32_t piece = indicator == SQL_NO_TOTAL || indicator > kBlobChunk
                              ? static_cast<int32_t>(kBlobChunk)
                              : static_cast<int32_t>(indicator);
    consumer(chunk, piece, context);
    if (r == SQL_SUCCESS) break;  // that was the last piece
  }
  consumer(nullptr, 0, context);
  return ok;
}

// Reads numbers and separators as sscanf does with a format of %d, '-',
// ':' and ' ': a number skips white space and takes a sign and digits; a
// separator must come next (a blank takes any white space).  Stops at the
// first mismatch, leaving the numbers not reached as they are.
void ScanNumbers(const char* text, const char* format, int* numbers) {
  const char* p = text;
  for (const char* f = format; *f; ++f) {
    if (*f == 'd') {
      while (isspace(static_cast<unsigned char>(*p))) ++p;
      const bool negative = *p == '-';
      if (*p == '-' || *p == '+') ++p;
      if (!isdigit(static_cast<unsigned char>(*p))) return;
      int64_t value = 0;
      while (isdigit(static_cast<unsigned char>(*p))) {
        if (value < INT32_MAX) value = value * 10 + (*p - '0');
        ++p;
      }
      *numbers++ = static_cast<int>(negative ? -value : value);
    } else if (*f == ' ') {
      while (isspace(static_cast<unsigned char>(*p))) ++p;
    } else if (*p++ != *f) {
      return;
    }
  }
}

// Scans a date (type 16), time (17) or date-time (18) text into the 11-byte
// value; false for another type.  Numbers the text lacks count as 0.
bool PackDateTimeText(const char* text, uint8_t type, char* out) {
  int n[6] = {0, 0, 0, 0, 0, 0};
  KesDate date{};
  KesTime time{};
  KesDateTime value{};
  switch (type) {
    case KES_SQL_DATE:
      ScanNumbers(text, "d-d-d", n);
      value.date = &date;
      break;
    case KES_SQL_TIME:
      ScanNumbers(text, "d:d:d", n + 3);
      value.time = &time;
      break;
    case KES_SQL_DATETIME:
      ScanNumbers(text, "d-d-d d:d:d", n);
      value.date = &date;
      value.time = &time;
      break;
    default:
      return false;
  }
  date =
      KesDate{static_cast<uint16_t>(n[0]), static_cast<uint8_t>(n[1]), static_cast<uint8_t>(n[2])};
  time =
      KesTime{static_cast<uint8_t>(n[3]), static_cast<uint8_t>(n[4]), static_cast<uint8_t>(n[5])};
  PackDateValue(&value, out);
  return true;
}

// A column text as the column type's value, appended to the row (one copy,
// made by the row).
bool AppendConverted(ResultValue** values, uint8_t type, const char* text, size_t textLength) {
  int32_t length = static_cast<int32_t>(textLength);
  char scratch[kValueScratchSize];
  const char* bytes = nullptr;
  bool converted = false;
  if (type == KES_SQL_BOOLEAN) {
    const char* word = strcmp(text, "1") == 0 ? "TRUE" : "FALSE";
    length = static_cast<int32_t>(strlen(word));
    converted = ConvertStringToValueBytes(word, &length, type, scratch, &bytes);
  } else if (type == KES_SQL_DATE || type == KES_SQL_TIME || type == KES_SQL_DATETIME) {
    converted = PackDateTimeText(text, type, scratch);
    length = kDateValueSize;
    bytes = scratch;
  } else {
    converted = ConvertStringToValueBytes(text, &length, type, scratch, &bytes);
  }
  if (!converted) return false;
  if (type < 1 || type > 19) length = static_cast<int32_t>(strlen(bytes));
  ResultValue* appended = AppendResultValue(*values, length, bytes);
  if (!appended) return false;
  *values = appended;
  return true;
}

// The query both query operations run; a consumer streams the binary
// columns.  Releases everything it built when it fails.
ResultSet* RunQuery(SQLHSTMT statement, DataConsumer consumer, void* context) {
  SQLLEN rowCount = 0;
  if (Failed(SQLRowCount(statement, &rowCount), SQL_HANDLE_STMT, statement, "No Rows Affected\n")) {
    return nullptr;
  }
  QueryColumns columns;
  if (Failed(SQLNumResultCols(statement, &columns.count), SQL_HANDLE_STMT, statement,
             "SQLNumResultCols Failed\n")) {
    return nullptr;
  }
  if (!DescribeColumns(statement, &columns)) return nullptr;

  ResultRow* rows = nullptr;
  int32_t rowTotal = 0;
  // A statement without result columns (not a query) has no rows to fetch.
  for (; columns.count > 0;) {
    const SQLRETURN fetched = SQLFetch(statement);
    if (fetched == SQL_NO_DATA) break;
    if (!Succeeded(fetched, SQL_HANDLE_STMT, statement)) {
      LogError("SQLFetch failed\n");
      FreeResultRows(rows);
      return nullptr;
    }
    ResultValue* values = nullptr;
    bool ok = true;
    for (SQLSMALLINT i = 0; i < columns.count && ok; ++i) {
      const uint8_t type = columns.infos[i]->dataType;
      const SQLUSMALLINT column = static_cast<SQLUSMALLINT>(i + 1);
      if (consumer && IsBinarySqlType(columns.sqlTypes[i])) {
        ResultValue* appended = AppendResultValue(values, 0, nullptr);
        ok = appended && StreamBinaryCell(statement, column, consumer, context);
        if (appended) values = appended;
        continue;
      }
      size_t length = 0;
      switch (ReadTextCell(statement, column, &columns, &length)) {
        case Cell::kError:
          ok = false;
          break;
        case Cell::kNull: {
          ResultValue* appended = AppendResultValue(values, 0, nullptr);
          ok = appended != nullptr;
          if (appended) values = appended;
          break;
        }
        case Cell::kValue:
          ok = AppendConverted(&values, type, columns.cell.data(), length);
          break;
      }
    }
    ResultRow* appended = ok ? AppendResultRow(rows, values) : nullptr;
    if (!appended) {
      FreeResultValues(values);
      FreeResultRows(rows);
      return nullptr;
    }
    rows = appended;
    ++rowTotal;
  }
  // The rows are counted as they come: the set is made empty and given them.
  ResultSet* set = CreateResultSet(nullptr, columns.infos, columns.count);
  if (!set) {
    FreeResultRows(rows);
    return nullptr;
  }
  columns.infos = nullptr;  // the result set owns them now
  set->rows = rows;
  set->rowCount = rowTotal;
  return set;
}

void CloseQuery(SQLHSTMT statement) {
  SQLCloseCursor(statement);
  SQLFreeStmt(statement, SQL_UNBIND);
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
}

// Ends a transaction and turns automatic commit back on.
uint8_t EndTransaction(ConnectionHandle* connection, SQLSMALLINT completion, const char* failure) {
  SQLHDBC dbc = DbcOf(connection);
  if (!dbc) return 0;
  if (!Succeeded(SQLEndTran(SQL_HANDLE_DBC, dbc, completion), SQL_HANDLE_DBC, dbc)) {
    LogError("%s", failure);
    ODBCPrintDiagnostics(dbc);
    return 0;
  }
  if (!Succeeded(
          SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT,
                            reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), SQL_IS_UINTEGER),
          SQL_HANDLE_DBC, dbc)) {
    LogError("Error in setting SQL_AUTOCOMMIT_ON\n");
    ODBCPrintDiagnostics(dbc);
    return 0;
  }
  return 1;
}

bool DriverNeedsLength(SQLHDBC dbc) {
  SQLCHAR answer[4] = {0};
  SQLSMALLINT length = 0;
  const SQLRETURN r = SQLGetInfo(dbc, SQL_NEED_LONG_DATA_LEN, answer, sizeof(answer), &length);
  return Succeeded(r, SQL_HANDLE_DBC, dbc) && (answer[0] == 'Y' || answer[0] == 'y');
}

uint8_t RunUpdate(SQLHSTMT statement, const char* text, int64_t* affected) {
  if (Failed(SQLPrepare(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS),
             SQL_HANDLE_STMT, statement, "SQLPrepare failed\n")) {
    return 0;
  }
  // A searched statement that touches no row may report SQL_NO_DATA: it ran.
  const SQLRETURN executed = SQLExecute(statement);
  if (executed != SQL_NO_DATA &&
      Failed(executed, SQL_HANDLE_STMT, statement, "SQLExecute failed\n")) {
    return 0;
  }
  SQLLEN rows = 0;
  if (Failed(SQLRowCount(statement, &rows), SQL_HANDLE_STMT, statement, "No Rows Affected \n")) {
    return 0;
  }
  if (affected) *affected = executed == SQL_NO_DATA ? 0 : static_cast<int64_t>(rows);
  return 1;
}

// Sends the supplier's pieces as the data of the parameter the driver asks
// for.  With a collected value (drivers that need the length first) it is
// sent in pieces of its own.
bool SendParameterData(SQLHSTMT statement, const std::string* collected, DataSupplier supplier,
                       void* context) {
  if (collected) {
    size_t sent = 0;
    do {
      const size_t piece = std::min(collected->size() - sent, static_cast<size_t>(kBlobChunk));
      const SQLRETURN r = SQLPutData(statement, const_cast<char*>(collected->data() + sent),
                                     static_cast<SQLLEN>(piece));
      if (!Succeeded(r, SQL_HANDLE_STMT, statement)) return false;
      sent += piece;
    } while (sent < collected->size());
    return true;
  }
  bool sentAny = false;
  for (;;) {
    char* data = nullptr;
    int32_t length = 0;
    if (!supplier || supplier(&data, &length, context) == kNoMoreData) break;
    if (length < 0 || (!data && length > 0)) return false;
    if (length == 0) continue;
    if (!Succeeded(SQLPutData(statement, data, length), SQL_HANDLE_STMT, statement)) return false;
    sentAny = true;
  }
  if (sentAny) return true;
  static char empty = 0;
  return Succeeded(SQLPutData(statement, &empty, 0), SQL_HANDLE_STMT, statement);
}

}  // namespace

bool RegisterODBCProvider() {
  if (GetRegisteredProvider(kOdbcProvider.name) == &kOdbcProvider) return true;
  return RegisterProvider(&kOdbcProvider);
}

const DBProvider* GetODBCProvider() { return &kOdbcProvider; }

ConnectionHandle* ODBCConnect(ConnParamsEntry* entry) {
  if (!entry || !entry->dsn) {
    LogError("ODBC connection Parameter missing\n");
    return nullptr;
  }
  SQLHENV environment = SQL_NULL_HENV;
  if (SQLAllocEnv(&environment) != SQL_SUCCESS) {
    LogError("Allocating Env Handle failed\n");
    return nullptr;
  }
  auto* native = static_cast<OdbcConnection*>(calloc(1, sizeof(OdbcConnection)));
  if (!native) {
    LogError("Error in allocating SQLHDBC\n");
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    return nullptr;
  }
  native->environment = environment;
  if (SQLAllocConnect(environment, &native->connection) != SQL_SUCCESS) {
    LogError("Allocating connection Handle failed\n");
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    free(native);
    return nullptr;
  }
  auto freeNative = [native]() {
    SQLFreeHandle(SQL_HANDLE_DBC, native->connection);
    SQLFreeHandle(SQL_HANDLE_ENV, native->environment);
    free(native);
  };

  std::string text;
  if (entry->useConnectionString) {
    text = entry->connectionString ? entry->connectionString : "";
  } else {
    text = std::string("DSN=") + entry->dsn + ";";
    if (entry->userId) text += std::string("UID=") + entry->userId;
    text += ";";
    if (entry->password) text += std::string("PWD=") + entry->password;
    text += ";";
    // No "Driver={<provider>}" pair: the provider's name is not a driver's,
    // and drivers that see a DRIVER keyword ignore the data source's own
    // settings (MariaDB's loses its socket and database).
  }
  SQLCHAR out[1025];
  SQLSMALLINT outLength = 0;
  const SQLRETURN connected = SQLDriverConnect(
      native->connection, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
      static_cast<SQLSMALLINT>(text.size()), out, sizeof(out), &outLength, SQL_DRIVER_NOPROMPT);
  if (connected != SQL_SUCCESS && connected != SQL_SUCCESS_WITH_INFO) {
    LogError("Connecting to driver failed\n");
    LogDriverMessages(SQL_HANDLE_DBC, native->connection);
    freeNative();
    return nullptr;
  }
  if (connected == SQL_SUCCESS_WITH_INFO) LogDriverMessages(SQL_HANDLE_DBC, native->connection);

  auto* connection = static_cast<ConnectionHandle*>(calloc(1, sizeof(ConnectionHandle)));
  char* name = nullptr;
  if (connection && entry->connectionName) AllocateAndCopyString(&name, entry->connectionName);
  if (!connection || (entry->connectionName && !name)) {
    SQLDisconnect(native->connection);
    freeNative();
    free(connection);
    free(name);
    return nullptr;
  }
  connection->nativeHandle = native;
  connection->connectionName = name;
  return connection;
}

uint8_t ODBCExecuteUpdate(ConnectionHandle* connection, const char* statement) {
  return ODBCExecuteUpdateRows(connection, statement, nullptr);
}

uint8_t ODBCExecuteUpdateRows(ConnectionHandle* connection, const char* statement, int64_t* rows) {
  SQLHDBC dbc = DbcOf(connection);
  if (!dbc || !statement) return 0;
  LockObject(connection);
  uint8_t result = 0;
  SQLHSTMT handle = AllocateStatement(dbc);
  if (handle) {
    result = RunUpdate(handle, statement, rows);
    FreeStatement(handle);
  }
  UnlockObject(connection);
  return result;
}

uint8_t ODBCExecuteUpdateBlob(ConnectionHandle* connection, const char* statement,
                              DataSupplier supplier, void* context) {
  LogTrace("Inside ODBCExecuteUpdateBlob\n");
  SQLHDBC dbc = DbcOf(connection);
  if (!dbc || !statement) return 0;
  SQLHSTMT handle = AllocateStatement(dbc);
  if (!handle) return 0;
  if (Failed(SQLPrepare(handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement)), SQL_NTS),
             SQL_HANDLE_STMT, handle, "SQLPrepare failed\n")) {
    FreeStatement(handle);
    return 0;
  }
  // Drivers that must know the length before the data get the supplier's
  // pieces collected first; the others get them as they come.
  std::string collected;
  const bool needsLength = DriverNeedsLength(dbc);
  if (needsLength) {
    for (;;) {
      char* data = nullptr;
      int32_t length = 0;
      if (!supplier || supplier(&data, &length, context) == kNoMoreData) break;
      if (length > 0 && data) collected.append(data, static_cast<size_t>(length));
    }
  }
  SQLLEN indicator =
      needsLength ? SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(collected.size())) : SQL_DATA_AT_EXEC;
  SQLBindParameter(handle, 1, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY, 0, 0,
                   reinterpret_cast<SQLPOINTER>(1), 0, &indicator);

  SQLRETURN r = SQLExecute(handle);
  bool dataSent = true;
  while (r == SQL_NEED_DATA) {
    SQLPOINTER token = nullptr;
    r = SQLParamData(handle, &token);
    if (r == SQL_NEED_DATA) {
      dataSent = SendParameterData(handle, needsLength ? &collected : nullptr, supplier, context);
      if (!dataSent) {
        SQLCancel(handle);
        break;
      }
    }
  }
  if (!dataSent) {
    LogError("SQLPutData failed\n");
    FreeStatement(handle);
    return 0;
  }
  if (r != SQL_NO_DATA && Failed(r, SQL_HANDLE_STMT, handle, "SQLExecute failed\n")) {
    FreeStatement(handle);
    return 0;
  }
  SQLLEN rows = 0;
  const bool counted =
      !Failed(SQLRowCount(handle, &rows), SQL_HANDLE_STMT, handle, "No Rows Affected \n");
  FreeStatement(handle);
  return counted ? 1 : 0;
}

ResultSet* ODBCExecuteQuery(ConnectionHandle* connection, const char* query) {
  LogTrace("Inside ODBCExecuteQuery\n");
  SQLHDBC dbc = DbcOf(connection);
  if (!dbc || !query) return nullptr;
  LockObject(connection);
  ResultSet* set = nullptr;
  SQLHSTMT handle = AllocateStatement(dbc);
  if (handle) {
    if (!Failed(
            SQLExecDirect(handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(query)), SQL_NTS),
            SQL_HANDLE_STMT, handle, "SQLExecDirect failed\n")) {
      set = RunQuery(handle, nullptr, nullptr);
    }
    CloseQuery(handle);
  }
  UnlockObject(connection);
  return set;
}

ResultSet* ODBCExecuteQueryBlob(ConnectionHandle* connection, const char* query,
                                DataConsumer consumer, void* context) {
  LogTrace("Inside ODBCExecuteQuery\n");
  SQLHDBC dbc = DbcOf(connection);
  if (!dbc || !query) return nullptr;
  SQLHSTMT handle = AllocateStatement(dbc);
  if (!handle) return nullptr;
  ResultSet* set = nullptr;
  if (!Failed(SQLPrepare(handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(query)), SQL_NTS),
              SQL_HANDLE_STMT, handle, "SQLPrepare failed\n") &&
      !Failed(SQLExecute(handle), SQL_HANDLE_STMT, handle, "SQLExecute failed\n")) {
    set = RunQuery(handle, consumer, context);
  }
  CloseQuery(handle);
  return set;
}

bool ODBCDisconnect(ConnectionHandle* connection) {
  if (!connection) return false;
  auto* native = static_cast<OdbcConnection*>(connection->nativeHandle);
  if (native) {
    SQLDisconnect(native->connection);
    SQLFreeHandle(SQL_HANDLE_DBC, native->connection);
    SQLFreeHandle(SQL_HANDLE_ENV, native->environment);
    free(native);
    connection->nativeHandle = nullptr;
  }
  return true;
}

uint8_t ODBCBeginTransaction(ConnectionHandle* connection) {
  LogTrace("\n\t@@@@@ Inside ODBCBeginTransaction() @@@@@ \n");
  SQLHDBC dbc = DbcOf(connection);
  if (!dbc) return 0;
  if (!Succeeded(
          SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT,
                            reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER),
          SQL_HANDLE_DBC, dbc)) {
    LogError("Error in setting SQL_AUTOCOMMIT_OFF\n");
    ODBCPrintDiagnostics(dbc);
    return 0;
  }
  return 1;
}

uint8_t ODBCCommitTransaction(ConnectionHandle* connection) {
  LogTrace("\n\t@@@@@ Inside ODBCCommitTransaction() @@@@@ \n");
  return EndTransaction(connection, SQL_COMMIT, "Error in commiting transaction\n");
}

uint8_t ODBCRollbackTransaction(ConnectionHandle* connection) {
  LogTrace("\n\t@@@@@ Inside ODBCRollbackTransaction() @@@@@ \n");
  return EndTransaction(connection, SQL_ROLLBACK, "Error in rollbacking transaction\n");
}

void ODBCPrintDiagnostics(void* odbcConnection) {
  SQLCHAR state[6] = {0};
  SQLINTEGER native = 0;
  SQLCHAR message[256] = {0};
  SQLSMALLINT length = 0;
  if (odbcConnection) {
    SQLGetDiagRec(SQL_HANDLE_DBC, static_cast<SQLHDBC>(odbcConnection), 1, state, &native, message,
                  sizeof(message), &length);
  }
  LogError("Error in starting transaction\n");
  LogError("STATE: %s\n", reinterpret_cast<char*>(state));
  LogError("NAT: %ld\n", static_cast<long>(native));
  LogError("MSG: %s\n", reinterpret_cast<char*>(message));
}

char* ODBCConvertDateTime(const char* text, int32_t* length, uint8_t type) {
  if (!text || !length) return nullptr;
  char packed[kDateValueSize];
  if (!PackDateTimeText(text, type, packed)) return nullptr;
  char* out = static_cast<char*>(malloc(kDateValueSize));
  if (!out) return nullptr;
  memcpy(out, packed, kDateValueSize);
  *length = kDateValueSize;
  return out;
}

bool CreateDSNsFromFile(const char* path) {
  FILE* file = path ? fopen(path, "r") : nullptr;
  if (!file) {
    LogError("Error opening File %s \n", path ? path : "(null)");
    return false;
  }
  std::string tokens[6];
  std::string driver;
  for (;;) {
    bool complete = true;
    for (int i = 0; i < 6 && complete; ++i) {
      const TextRead read = ReadFileToken(file, &tokens[i], kMaxToken);
      if (read == TextRead::kTooLong) {
        LogError("%s: token longer than %zu characters; reading stopped there\n", path, kMaxToken);
      }
      complete = read == TextRead::kRead;
    }
    if (!complete) break;
    const TextRead read = ReadRestOfLine(file, &driver, kMaxRestOfLine);
    if (read == TextRead::kTooLong) {
      LogError("%s: driver name longer than %zu characters; reading stopped there\n", path,
               kMaxRestOfLine);
    }
    if (read != TextRead::kRead) break;
    driver.erase(0, driver.find_first_not_of(" \t"));
    if (!CreateDSN(tokens[0].c_str(), tokens[1].c_str(), tokens[2].c_str(), tokens[3].c_str(),
                   tokens[4].c_str(), tokens[5].c_str(), driver.c_str())) {
      LogError("Creating DSN %s Failed\n", tokens[0].c_str());
    }
  }
  fclose(file);
  return true;
}

bool CreateDSN(const char* dsn, const char* description, const char* server, const char* user,
               const char* password, const char* database, const char* driverName) {
  if (!driverName || !dsn) {
    LogError("DriverName or DSN name is NULL \n");
    return false;
  }
  const char* const keys[] = {"DSN", "DESCRIPTION", "SERVER", "UID", "PWD", "DATABASE"};
  const char* const values[] = {dsn, description, server, user, password, database};
  std::string attributes;
  for (int i = 0; i < 6; ++i) {
    if (!values[i] || CompareStringNoCase(values[i], "NULL") == 0) continue;
    attributes += std::string(keys[i]) + "=" + values[i] + ";";
  }
  if (attributes.size() > kMaxAttributes) {
    LogError("Attributes of DSN %s longer than %zu characters refused\n", dsn, kMaxAttributes);
    return false;
  }
  // The installer reads NUL-separated pairs ended by a second NUL.
  std::vector<char> pairs(attributes.begin(), attributes.end());
  for (char& c : pairs) {
    if (c == ';') c = '\0';
  }
  pairs.push_back('\0');
  pairs.push_back('\0');
  if (!SQLConfigDataSource(nullptr, ODBC_ADD_DSN, driverName, pairs.data())) {
    LogError("SQLConfigDataSource returned FALSE \n");
    DWORD code = 0;
    char message[SQL_MAX_MESSAGE_LENGTH] = {0};
    WORD length = 0;
    if (SQLInstallerError(1, &code, message, sizeof(message), &length) == SQL_SUCCESS) {
      LogDebug("ODBC installer: %lu %s\n", static_cast<unsigned long>(code), message);
    }
    return false;
  }
  return true;
}
