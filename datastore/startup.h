// The library's life cycle.  So far: the library root, under which data
// files not found beside the working directory are looked for
// ("<root>/data/<file>") and the library's log is kept.
#pragma once

// Keeps the caller's pointer (no copy): the text must outlive its use.
void SetTavrixRoot(const char* root);
