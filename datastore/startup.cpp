// The library's life cycle.
#include "datastore/startup.h"

#include <string>

#include "database/db_provider.h"
#include "database/mempool.h"
#include "database/sql_dialect.h"
#include "datastore/data_dictionary.h"
#include "datastore/data_files.h"
#include "datastore/default_data.h"
#include "datastore/persistence.h"
#include "datastore/personality.h"
#include "datastore/sequence.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"
#include "runtime/conversions.h"
#include "runtime/log.h"

namespace {

// What start-up built, so that shut-down frees exactly that.
bool gs_poolStarted = false;
bool gs_logOpened = false;

// Empties the tables, sequences, connections, data sources and definitions.
void FreeLibraryLists() {
  UnLoadAllTable();
  FreeSequenceState();
  CloseAllConnections();
  FreeAllConnParamsEntries();
  FreeAllDataSourceMapEntries();
  FreeAllTableDefns();
}

}  // namespace

void SetTavrixRoot(const char* root) {
  LogTrace("\n\t@@@@@ Inside SetTavrixRoot() @@@@@ \n");
  if (!root) LogDebug("Default Path Used");
  gv_tavrixRoot = root;
}

bool InitTavrix(const char* root) {
  SetTavrixRoot(root);
  if (!gv_logFilePtr) {
    if (!InitLogDefaults() || !OpenLogFile()) return false;
    gs_logOpened = true;
  }
  if (!gs_poolStarted) {
    if (InitializeMemPool() != 1) {
      LogError("InitializeMemPool failed.\n");
      return false;
    }
    gs_poolStarted = true;
  }
  if (!InitDBProvider()) LogError("InitDBProvider failed. Already initialized.\n");
  // A start-up after a failed one begins from empty lists.
  FreeLibraryLists();
  InitTableDefnList();
  InitConnectionLists();
  InitSqlDialects();
  InitSequenceState();
  if (!LoadAllDataDictFiles()) {
    LogError("LoadAllDataDictFiles failed.\n");
    return false;
  }
  if (!LoadDataSourceMapEntryFromFile((RelativeDataDirectory() + "dsn_table_map.txt").c_str())) {
    LogError("LoadDataSourceMapEntryFromFile failed.\n");
    return false;
  }
  if (!LoadConnParamsEntryFromFile((RelativeDataDirectory() + "connparams.txt").c_str())) {
    LogError("LoadConnParamsEntryFromFile failed.\n");
    return false;
  }
  Vector* sources = GetConnParamsList();
  if (sources->count == 0) {
    LogError("No entires in data source vector. InitTavrix failed.\n");
    return false;
  }
  const auto* first = static_cast<ConnParamsEntry*>(sources->head->data);
  if (!first->useConnectionString && first->dbType) {
    for (uint8_t index = 0; index < 4; ++index) {
      if (CompareStringNoCase(first->dbType, kDialectNames[index]) == 0) SetDSNMapValid(1, index);
    }
  }
  if (!EstablishDBConnections()) {
    LogError("EstablishDBConnections failed.\n");
    return false;
  }
  const bool created = CreateAllTables();
  if (!SequenceGenerator()) {
    LogError("SequenceGenerator failed.\n");
    return false;
  }
  if (!LoadAllTables()) {
    LogError(
        "Error in loading tables from loadtablelist.txt.  Please check if there are any entries in "
        "your loadtablelist.txt or load the required tables manually.\n");
  }
  if (created && !SaveDefaultData()) {
    LogError("Cannot save default data.\n");
    return false;
  }
  LogDebug(
      "\nWelcome to Tavrix.  You have successfully initialised the appropriate parameters, loaded "
      "the mentioned files/tables and established connection with the DB.\n");
  return true;
}

void DeInitTavrix() {
  LogTrace("Inside DeInitTavrix.\n");
  FreeAllPersonalities();
  FreeLibraryLists();
  FreeSqlDialects();
  if (gs_poolStarted) {
    TerminateMemPool();
    gs_poolStarted = false;
  }
  if (gs_logOpened) {
    CloseLogFile();
    FreeLogParams();
    gs_logOpened = false;
  }
}
