// Where a table's statements run: its data source's connection (through
// the data-source map when the map decides, else the only data source) and
// the dialect that writes them.
#pragma once

struct ConnectionHandle;

struct TableSource {
  const char* connection = nullptr;  // none: the only data source
  const char* dialect = nullptr;
  ConnectionHandle* handle = nullptr;
};

// Takes the table's connection for this thread; alwaysMap asks the map even
// when it does not decide the dialect.  False when there is none.
bool OpenTableSource(const char* table, bool alwaysMap, TableSource* source);
// Hands the connection back to the pool.
void CloseTableSource(TableSource* source);
