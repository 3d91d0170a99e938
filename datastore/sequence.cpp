#include "datastore/sequence.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "database/db_provider.h"
#include "datastore/column_value.h"
#include "datastore/result_set.h"
#include "runtime/locktable.h"
#include "runtime/log.h"

namespace {

StringHashTable gs_state;
// Reservations of this process run one at a time: a pooled connection may
// be shared by every thread, and a reservation is a transaction on it.
std::mutex gs_reservation;

constexpr int kReservationAttempts = 5;

// The name as an SQL text literal's content: quotes doubled.
std::string Quoted(const char* name) {
  std::string out;
  for (const char* c = name; *c; ++c) {
    out += *c;
    if (*c == '\'') out += '\'';
  }
  return out;
}

// An integer column value of any integer or text type.
bool ReadInteger(const char* value, int32_t length, uint8_t type, int64_t* out) {
  if (!value) return false;
  if (type >= KES_SQL_TINYINT && type <= KES_SQL_UNSIGNED_LONG_INT) {
    *out = static_cast<int64_t>(ReadIntegerValue(value, length, type));
    return length > 0;
  }
  char* end = nullptr;
  const long long v = strtoll(value, &end, 10);
  if (end == value) return false;
  *out = v;
  return true;
}

bool StoreState(const char* sequenceName, int32_t next, int32_t end) {
  auto* state = static_cast<SequenceState*>(malloc(sizeof(SequenceState)));
  if (!state) {
    LogError("Memory allocation Failed\n");
    return false;
  }
  state->next = next;
  state->end = end;
  auto* old = static_cast<SequenceState*>(GetHashValue(&gs_state, sequenceName));
  if (!PutHashEntry(&gs_state, sequenceName, state)) {
    LogError("Memory allocation Failed\n");
    free(state);
    return false;
  }
  free(old);
  return true;
}

enum class Reserved { kDone, kFailed, kRetry };

// One reservation transaction.  The update moves the batch end of an
// existing sequence and holds its row until the commit, so the end read
// back is this holder's alone.  When it touched no row the sequence is new:
// its first batch is inserted, and a holder that inserted it first makes
// this insert fail (SEQNAME is the table's key) and the reservation is
// tried again.
Reserved Reserve(ConnectionHandle* connection, const std::string& name, int32_t* next,
                 int32_t* end) {
  if (BeginTransaction(connection) != 1) return Reserved::kFailed;
  auto fail = [&](Reserved how) {
    RollbackTransaction(connection);
    return how;
  };
  const std::string update = "update SeqGenState set CURRENTBATCHEND = CURRENTBATCHEND + " +
                             std::to_string(kSequenceBatch) + " where SEQNAME = '" + name + "';";
  LogTrace("Update Query %s\n", update.c_str());
  int64_t touched = -1;
  if (!ExecuteUpdateRows(connection, update.c_str(), &touched)) {
    LogError("ExecuteUpdate Failed for update\n");
    return fail(Reserved::kRetry);
  }
  if (touched != 0) {
    const std::string query = "select * from SeqGenState where SEQNAME = '" + name + "';";
    LogTrace("Query %s\n", query.c_str());
    ResultSet* rows = ExecuteQuery(connection, query.c_str());
    if (!rows) {
      LogError("Table doesn't Exists for UpdateSeqGen\n");
      return fail(Reserved::kFailed);
    }
    if (rows->rowCount == 0) {
      FreeResultSet(rows);
      return fail(Reserved::kRetry);
    }
    GotoNextResultRow(rows);
    int32_t length = 0;
    const char* value = GetResultValueByName("CURRENTBATCHEND", &length, rows);
    int64_t batchEnd = 0;
    const bool read =
        ReadInteger(value, length, GetResultColumnType("CURRENTBATCHEND", rows), &batchEnd);
    FreeResultSet(rows);
    if (!read) {
      LogError("CURRENTBATCHEND of %s is not a number\n", name.c_str());
      return fail(Reserved::kFailed);
    }
    *next = static_cast<int32_t>(batchEnd - kSequenceBatch + 1);
    *end = static_cast<int32_t>(batchEnd);
  } else {
    const std::string insert =
        "insert into SeqGenState values ('" + name + "'," + std::to_string(kSequenceBatch) + ");";
    LogTrace("Insert Query %s\n", insert.c_str());
    if (!ExecuteUpdate(connection, insert.c_str())) {
      LogError("ExecuteUpdate Failed for insert\n");
      return fail(Reserved::kRetry);
    }
    *next = 1;
    *end = kSequenceBatch;
  }
  return CommitTransaction(connection) == 1 ? Reserved::kDone : Reserved::kRetry;
}

}  // namespace

bool InitSequenceState() {
  if (gs_state.buckets) return true;
  return InitHashTable(&gs_state, 50);
}

void FreeSequenceState() {
  if (!gs_state.buckets) return;
  for (int32_t i = 0; i < gs_state.bucketCount; ++i) {
    for (HashEntry* e = gs_state.buckets[i]; e; e = e->next) free(e->value);
  }
  FreeHashTable(&gs_state);
}

StringHashTable* GetSequenceState() { return &gs_state; }

bool UpdateSeqGen(const char* tableName, const char* sequenceName) {
  LogTrace("Inside UpdateSeqGen \n");
  if (!sequenceName || (!gs_state.buckets && !InitSequenceState())) return false;
  const std::string name = Quoted(sequenceName);
  const char* connectionName = tableName ? GetDataSourceName(tableName) : nullptr;
  std::lock_guard<std::mutex> guard(gs_reservation);
  ConnectionHandle* connection = GetConnectionHandle(connectionName);
  if (!connection) {
    LogError("Table doesn't Exists for UpdateSeqGen\n");
    return false;
  }
  int32_t next = 0;
  int32_t end = 0;
  Reserved result = Reserved::kRetry;
  for (int attempt = 0; attempt < kReservationAttempts && result == Reserved::kRetry; ++attempt) {
    result = Reserve(connection, name, &next, &end);
  }
  ReleaseConnectionHandle(connectionName);
  return result == Reserved::kDone && StoreState(sequenceName, next, end);
}

bool SequenceGenerator() {
  LogTrace("Inside SequenceGenerator\n");
  Vector* tables = GetTableDefnList();
  for (VectorNode* node = tables ? tables->head : nullptr; node; node = node->next) {
    auto* defn = static_cast<TableDefn*>(node->data);
    if (!defn->columns || !defn->columns->head) return false;
    for (VectorNode* c = defn->columns->head; c; c = c->next) {
      auto* column = static_cast<ColumnDefnEntry*>(c->data);
      if (!column->generatorName) continue;
      LockObject(&gs_state);
      UpdateSeqGen(defn->name, column->generatorName);
      UnlockObject(&gs_state);
    }
  }
  return true;
}

namespace {

// Draws from a sequence whose entry is locked by the caller; refills a used
// batch (the reservation is tried twice).
int32_t Draw(const char* tableName, const char* sequenceName) {
  for (int refills = 0;; ++refills) {
    auto* state = static_cast<SequenceState*>(GetHashValue(&gs_state, sequenceName));
    if (!state) {
      LogError("No Value for AutoId key %s \n", sequenceName);
      return -1;
    }
    if (state->end >= state->next) {
      const int32_t taken = state->next++;
      LogTrace("AutoGenerated Value %d \n", taken);
      return taken;
    }
    if (refills == 2) {
      LogError("Cannot reserve a new batch for AutoId key %s\n", sequenceName);
      return -1;
    }
    UpdateSeqGen(tableName, sequenceName);
  }
}

}  // namespace

int32_t GenerateID(const char* tableName, ColumnDefnEntry* column) {
  LogTrace("Inside GenerateID \n");
  if (!column || !column->generatorName) return -1;
  LogTrace("AutoId Key %s\n", column->generatorName);
  HashEntry* entry = GetHashEntry(&gs_state, column->generatorName);
  if (!entry) {
    LogTrace("Cannot generate ID for key %s.\n", column->generatorName);
    return -1;
  }
  LockObject(entry);
  const int32_t id = Draw(tableName, column->generatorName);
  UnlockObject(entry);
  return id;
}

int32_t GenerateInstanceID() {
  LogTrace("Inside GenerateInstanceID \n");
  HashEntry* entry = GetHashEntry(&gs_state, "INSTANCE_ID");
  if (!entry) {
    LogError("No Value for AutoId key %s \n", "INSTANCE_ID");
    return -1;
  }
  LockObject(entry);
  const int32_t id = Draw(nullptr, "INSTANCE_ID");
  UnlockObject(entry);
  return id;
}
