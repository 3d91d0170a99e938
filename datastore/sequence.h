// The sequence generator: unique integer identifiers for generated columns,
// reserved from the database in batches of 300 through the table
// SeqGenState (SEQNAME, CURRENTBATCHEND), so that they stay unique across
// runs and across processes sharing the database.  A reservation is one
// transaction that moves the batch end and reads it back, so two holders
// never get the same batch.
#pragma once

#include <cstdint>

#include "hash_table.h"
#include "table_defn.h"

inline constexpr int32_t kSequenceBatch = 300;

// The state of one sequence: the next identifier to hand out and the last
// one of the reserved batch.
struct SequenceState {
  int32_t next;
  int32_t end;
};

// The process-wide state, keyed by sequence name ("INSTANCE_ID" for the
// instance sequence).
bool InitSequenceState();
void FreeSequenceState();
StringHashTable* GetSequenceState();

bool SequenceGenerator();
bool UpdateSeqGen(const char* tableName, const char* sequenceName);
int32_t GenerateID(const char* tableName, ColumnDefnEntry* column);
int32_t GenerateInstanceID();
