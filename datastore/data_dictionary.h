// The data dictionary: XML files, listed in "datadictionary.txt", that
// define every table of the library.  Each table element becomes a
// TableDefn in the registry; a bad table is left out with log lines and
// the rest of the file still loads.
#pragma once

#include <cstdint>

// The list "..\data\datadictionary.txt" beside the working directory, or
// else <root>/data/datadictionary.txt; false when neither opens.
bool LoadAllDataDictFiles();
// The list datadictionary.txt in directory; false when it does not open.
bool LoadDataDictFiles(const char* directory);
// One dictionary file; true for any path (failures are logged), false for
// no path.
bool LoadDataDictFromXMLFile(const char* path);
// The parsing driver behind LoadDataDictFromXMLFile; always true.
bool XmlDataParser(const char* path);
// A dictionary held in memory (name is used in log lines); false only for
// no bytes or a negative length.
bool LoadDataDictFromXMLMemory(const char* bytes, int32_t length, const char* name);
