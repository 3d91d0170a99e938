// Reading the library's small text files (connparams.txt, dsn_table_map.txt,
// data-source files): white-space-separated tokens and the rest of a line,
// each with a length limit that is enforced, never cut.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

enum class TextRead { kRead, kEnd, kTooLong };

// Skips white space, then reads one token of at most maximum characters.
// kTooLong leaves the file after the whole token.
TextRead ReadFileToken(FILE* file, std::string* token, size_t maximum);
// The rest of the current line from the next character on, without its line
// feed (and a carriage return before it).  kEnd at the end of the file with
// nothing left; kTooLong, the whole line consumed, past maximum characters.
TextRead ReadRestOfLine(FILE* file, std::string* rest, size_t maximum);
