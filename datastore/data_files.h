// Where the library's data files are looked for: "..<sep>data<sep>" beside
// the working directory, and "<root>/data/" under the library root.
// Internal to the library's readers of those files.
#pragma once

#include <cstdio>
#include <string>

// The directory "..<sep>data<sep>" beside the working directory.
std::string RelativeDataDirectory();
// Opens <root>/data/<name> for reading, logging "Opening %s\n" at DEBUG;
// with no root set, one ERROR line and none.  *directory (when given)
// receives "<root>/data/".
FILE* OpenRootedDataFile(const char* name, std::string* directory);
