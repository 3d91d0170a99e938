// The library's life cycle: the library root, under which data files not
// found beside the working directory are looked for ("<root>/data/<file>")
// and the library's log is kept; start-up from the data files and
// shut-down.
#pragma once

// Keeps the caller's pointer (no copy): the text must outlive its use.
void SetTavrixRoot(const char* root);
// Brings the library up: log, memory pool, providers, dictionary, data
// sources, connections, tables in the database, sequences, in-memory
// tables and, on a new database, the default data.
bool InitTavrix(const char* root);
// Takes down what start-up built, also after a failed start-up; a second
// call does nothing.
void DeInitTavrix();
