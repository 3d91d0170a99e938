// Stored queries: select queries kept in a set of database tables
// (QueryDetails and the Queryvs... and ...Details tables), read into the
// select query model and turned into select text of the table's dialect.
#pragma once

#include <cstdint>

#include "query_model.h"

void LoadStoredQueryColumns(int32_t queryId, SelectQuery* query, MemPool* pool);
void LoadStoredQueryTables(int32_t queryId, SelectQuery* query, MemPool* pool);
void LoadStoredQueryJoins(int32_t queryId, SelectQuery* query, MemPool* pool);
void LoadStoredQueryGroupBy(int32_t queryId, SelectQuery* query, MemPool* pool);
void LoadStoredQuerySort(int32_t queryId, SelectQuery* query, MemPool* pool);
void LoadStoredQueryCriteria(int32_t queryId, SelectQuery* query, MemPool* pool);
// The select text of a stored query (the caller frees it), or none.
char* BuildStoredQuery(int32_t queryId);
// Sets the library up from its data files, then builds and runs every
// stored query of QueryDetails; false when the query list cannot be read.
bool RunAllStoredQueries();
// Logs the criteria of a stored query at DEBUG, its texts run together.
void PrintStoredCriteria(int32_t queryId);
