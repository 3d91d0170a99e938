// Moving table contents between the database and the in-memory store:
// loading tables (whole, by query, as a custom view, from the load list)
// and saving their changes, each table's statements in one transaction.
#pragma once

bool LoadAllTables();
bool LoadTablesFromFile(const char* path);
bool LoadTable(const char* tableName);
bool LoadTableByQuery(const char* tableName, const char* query);
bool LoadViewByQuery(const char* viewName, const char* baseTableName, const char* query);
bool ReloadTableData();
// Writes the table's changed, new and deleted rows in one transaction; when
// any statement fails nothing is written and every row keeps its state.
bool SaveTable(const char* tableName);
bool SaveAllTables();
bool SaveTablesFromList();
