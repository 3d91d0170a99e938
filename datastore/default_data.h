// Default data: the XML data files named in defaultdata.txt, imported into
// the store and saved to the database table by table.
#pragma once

bool SaveDefaultData();
// Imports the file and saves the tables of its top-level elements, in
// groups of 50 names in order of first appearance.
bool SaveDataInXML(const char* path);
