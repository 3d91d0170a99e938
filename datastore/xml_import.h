// Table data from XML: one element per row, named after its table, one
// attribute per column; nested elements are child rows that inherit their
// parents' keys, and keys may be written as symbols Table:Column:n that
// name one identifier for the whole import.
#pragma once

#include <cstdint>

#include "hash_table.h"

struct _xmlDoc;
struct _xmlNode;

bool LoadTableDataFromXMLFile(const char* path);
bool LoadTableDataFromXMLBuffer(const char* buffer, int32_t size);
// Imports the node's children; the symbol map of the import (its values
// are malloc'ed 4-byte integers), or none.  The caller frees the map's
// values and the map.
StringHashTable* LoadTableDataFromXMLNode(_xmlDoc* document, _xmlNode* node);
// One attribute text as a value of the column type: 1 stored or nothing to
// store, 0 for no text, 99 when out of memory.
uint8_t AllocateAndCopyColumnValue(char** value, int32_t* length, uint8_t type, const char* text);
// Frees a symbol map of LoadTableDataFromXMLNode with its values.
void FreeXmlSymbolMap(StringHashTable* symbols);
