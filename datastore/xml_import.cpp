#include "datastore/xml_import.h"

#include "datastore/xml_errors.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "database/odbc_provider.h"
#include "datastore/column_value.h"
#include "datastore/sequence.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"
#include "runtime/conversions.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

// Foreign-key chains followed for a symbol end after this many steps.
constexpr int kMaxChain = 64;

struct Attribute {
  std::string name;
  std::string value;
};

struct KeySlot {
  std::string referenceTable;
  std::string referenceColumn;
  std::string localColumn;
  bool hasValue = false;
  std::string value;
};

bool Same(const std::string& a, const char* b) {
  return b && CompareStringNoCase(a.c_str(), b) == 0;
}

std::string Name(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

std::vector<Attribute> Attributes(xmlDoc* doc, const xmlNode* node) {
  std::vector<Attribute> out;
  for (const xmlAttr* a = node->properties; a; a = a->next) {
    xmlChar* text = xmlNodeListGetString(doc, a->children, 1);
    out.push_back(
        {reinterpret_cast<const char*>(a->name), text ? reinterpret_cast<const char*>(text) : ""});
    xmlFree(text);
  }
  return out;
}

const Attribute* Find(const std::vector<Attribute>& attributes, const std::string& name) {
  for (const Attribute& a : attributes) {
    if (CompareStringNoCase(a.name.c_str(), name.c_str()) == 0) return &a;
  }
  return nullptr;
}

std::vector<KeySlot> ForeignSlots(const TableDefn* defn) {
  std::vector<KeySlot> slots;
  if (!defn || !defn->constraints || !defn->constraints->foreignKeys) return slots;
  LogTrace("Foreign key Constraints\n");
  LogTrace("********************************\n");
  for (VectorNode* n = defn->constraints->foreignKeys->head; n; n = n->next) {
    const auto* fk = static_cast<ForeignKeyEntry*>(n->data);
    LogTrace("Column Name : %s\n", fk->localColumn ? fk->localColumn : "");
    LogTrace("Ref Column  : %s\n", fk->referenceColumn ? fk->referenceColumn : "");
    LogTrace("Tablename : %s\n", fk->referenceTable ? fk->referenceTable : "");
    KeySlot slot;
    slot.referenceTable = fk->referenceTable ? fk->referenceTable : "";
    slot.referenceColumn = fk->referenceColumn ? fk->referenceColumn : "";
    slot.localColumn = fk->localColumn ? fk->localColumn : "";
    slots.push_back(slot);
  }
  return slots;
}

void FillForeign(xmlDoc* doc, const xmlNode* element, std::vector<KeySlot>* slots,
                 std::set<std::string> visited);

// The value an element of a table gives for its column: its attribute, or
// else its own foreign-key slot of that local column.
bool ValueFromElement(xmlDoc* doc, const xmlNode* source, const xmlNode* importing,
                      const KeySlot& slot, const std::set<std::string>& visited,
                      std::string* value) {
  const std::vector<Attribute> attributes = Attributes(doc, source);
  if (const Attribute* a = Find(attributes, slot.referenceColumn)) {
    *value = a->value;
    return true;
  }
  std::string table = slot.referenceTable;
  for (char& c : table) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (visited.count(table)) return false;  // each table once per search
  std::set<std::string> deeper = visited;
  deeper.insert(table);
  std::vector<KeySlot> theirs = ForeignSlots(GetTableDefn(slot.referenceTable.c_str()));
  FillForeign(doc, importing, &theirs, deeper);
  for (const KeySlot& s : theirs) {
    if (s.hasValue &&
        CompareStringNoCase(s.localColumn.c_str(), slot.referenceColumn.c_str()) == 0) {
      *value = s.value;
      return true;
    }
  }
  return false;
}

// Foreign-key slots from the element's context: its ancestors first, then
// the first element of the referenced table below it.
void FillForeign(xmlDoc* doc, const xmlNode* element, std::vector<KeySlot>* slots,
                 std::set<std::string> visited) {
  for (const xmlNode* up = element->parent; up && up->type == XML_ELEMENT_NODE; up = up->parent) {
    const std::vector<Attribute> attributes = Attributes(doc, up);
    for (KeySlot& slot : *slots) {
      if (slot.hasValue) continue;
      if (const Attribute* a = Find(attributes, slot.referenceColumn)) {
        slot.value = a->value;
        slot.hasValue = true;
      } else if (Same(slot.referenceTable, reinterpret_cast<const char*>(up->name))) {
        slot.hasValue = ValueFromElement(doc, up, element, slot, visited, &slot.value);
      }
    }
  }
  for (KeySlot& slot : *slots) {
    if (slot.hasValue) continue;
    for (const xmlNode* at = element; at && at->children;) {
      const xmlNode* second = at->children->next;
      if (!second) break;
      if (second->type == XML_ELEMENT_NODE &&
          Same(slot.referenceTable, reinterpret_cast<const char*>(second->name))) {
        slot.hasValue = ValueFromElement(doc, second, second, slot, visited, &slot.value);
        break;
      }
      at = second;
    }
  }
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t colon = text.find(':', start);
    parts.push_back(
        text.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return parts;
}

bool StoreInteger(int32_t v, char** value, int32_t* length) {
  free(*value);
  *value = nullptr;
  if (AllocateAndCopyBytes(value, reinterpret_cast<const char*>(&v), 4) != 1) return false;
  *length = 4;
  return true;
}

bool Record(StringHashTable* symbols, const std::string& key, int32_t id) {
  if (auto* old = static_cast<int32_t*>(GetHashValue(symbols, key.c_str()))) {
    *old = id;
    return true;
  }
  auto* stored = static_cast<int32_t*>(malloc(sizeof(int32_t)));
  if (!stored) return false;
  *stored = id;
  if (PutHashEntry(symbols, key.c_str(), stored)) return true;
  free(stored);
  return false;
}

int32_t StrictInteger(const std::string& text) {
  int32_t length = static_cast<int32_t>(text.size());
  char scratch[kValueScratchSize];
  const char* bytes = nullptr;
  if (!ConvertStringToValueBytes(text.c_str(), &length, KES_SQL_INT, scratch, &bytes)) return 0;
  return static_cast<int32_t>(ReadIntegerValue(bytes, length, KES_SQL_INT));
}

// A symbol Table:Column:n as the identifier it names in this import.
bool SymbolValue(const char* table, ColumnDefnEntry* column, const std::string& text,
                 StringHashTable* symbols, int32_t* id) {
  const std::vector<std::string> parts = Split(text);
  const bool hasN = parts.size() > 2;
  const std::string n = hasN ? parts[2] : "";
  if (auto* known = static_cast<int32_t*>(GetHashValue(symbols, text.c_str()))) {
    *id = *known;
    if (hasN) Record(symbols, std::string(table) + ":" + column->name + ":" + n, *id);
    return true;
  }
  if (column->generatorName) {
    *id = GenerateID(table, column);
  } else {
    if (parts.size() < 2 || parts[0].empty() || parts[1].empty()) {
      LogError("Unable to get Column details for AutoID generation \n");
      return false;
    }
    std::vector<std::pair<std::string, std::string>> chain = {{parts[0], parts[1]}};
    ColumnDefnEntry* entry = GetColumnDefnEntry(parts[0].c_str(), parts[1].c_str());
    int32_t drawn = entry ? GenerateID(parts[0].c_str(), entry) : -1;
    while (drawn == -1 && static_cast<int>(chain.size()) < kMaxChain) {
      TableDefn* defn = GetTableDefn(chain.back().first.c_str());
      ForeignKeyEntry* fk = defn ? GetForeignKeyEntry(defn, chain.back().second.c_str()) : nullptr;
      if (!fk || !fk->referenceTable || !fk->referenceColumn) break;
      chain.emplace_back(fk->referenceTable, fk->referenceColumn);
      entry = GetColumnDefnEntry(fk->referenceTable, fk->referenceColumn);
      drawn = entry ? GenerateID(fk->referenceTable, entry) : -1;
    }
    if (drawn == -1) {
      drawn = StrictInteger(n);
    } else if (hasN) {
      for (const auto& [t, c] : chain) {
        const std::string key = t + ":" + c + ":" + n;
        if (auto* known = static_cast<int32_t*>(GetHashValue(symbols, key.c_str()))) {
          drawn = *known;
          break;
        }
        Record(symbols, key, drawn);
      }
    }
    *id = drawn;
    if (hasN) Record(symbols, std::string(table) + ":" + column->name + ":" + n, *id);
  }
  return Record(symbols, text, *id);
}

bool IsTextish(uint8_t t) {
  return t == KES_SQL_CHAR || t == KES_SQL_VARCHAR || t == KES_SQL_BLOB || t == KES_SQL_TEXT;
}

// An attribute's text into the column's slot; true when the column counts
// as given.  *named is cleared where the column then counts as having had no
// attribute at all (a NEXT_STATEMENT_ID of 0).
bool AttributeValue(const char* table, ColumnDefnEntry* column, const std::string& text,
                    StringHashTable* symbols, char** value, int32_t* length, bool* named) {
  const size_t colons = static_cast<size_t>(std::count(text.begin(), text.end(), ':'));
  auto store = [&](const std::string& t) {
    free(*value);
    *value = nullptr;
    *length = 0;
    AllocateAndCopyColumnValue(value, length, column->dataType, t.c_str());
    return *value != nullptr;
  };
  if (colons < 2) return store(text);
  if (CompareStringNoCase(table, "Workflow_Statements") == 0 &&
      CompareStringNoCase(column->name, "NEXT_STATEMENT_ID") == 0 && Split(text)[2] == "0") {
    StoreInteger(0, value, length);
    *named = false;
    return false;
  }
  if (IsTextish(column->dataType)) {
    const size_t second = text.find(':', text.find(':') + 1);
    return store(colons == 2 ? Split(text)[2] : text.substr(second + 1));
  }
  if (column->dataType >= KES_SQL_DATE && column->dataType <= KES_SQL_DATETIME) return store(text);
  int32_t id = 0;
  if (!SymbolValue(table, column, text, symbols, &id)) return false;
  return StoreInteger(id, value, length);
}

bool ImportElement(xmlDoc* doc, const xmlNode* node, StringHashTable* symbols) {
  const std::string name = Name(node);
  const std::vector<Attribute> attributes = Attributes(doc, node);
  TableData* table = GetTableDataByName(name.c_str());
  if (!table) {
    CreateTable(name.c_str());
    table = GetTableDataByName(name.c_str());
  }
  if (!table || table->kind != kTableKind) return name.find("List") != std::string::npos;
  const TableDefn* defn = table->tableDefn;

  std::vector<KeySlot> foreign = ForeignSlots(defn);
  std::vector<KeySlot> primary;
  for (int32_t k = 0; defn->constraints && k < defn->constraints->primaryKeyCount; ++k) {
    const char* key = defn->constraints->primaryKeyColumns[k];
    if (!key) continue;
    bool isForeign = false;
    for (const KeySlot& s : foreign) isForeign = isForeign || Same(s.localColumn, key);
    if (isForeign) continue;
    LogTrace("Primary key : %s\n\n", key);
    KeySlot slot;
    slot.localColumn = key;
    primary.push_back(slot);
  }
  std::string tableKey = name;
  for (char& c : tableKey) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  FillForeign(doc, node, &foreign, {tableKey});
  for (const xmlNode* up = node->parent; up && up->type == XML_ELEMENT_NODE; up = up->parent) {
    const std::vector<Attribute> theirs = Attributes(doc, up);
    for (KeySlot& slot : primary) {
      if (slot.hasValue) continue;
      if (const Attribute* a = Find(theirs, slot.localColumn)) {
        slot.value = a->value;
        slot.hasValue = true;
      }
    }
  }

  const int32_t count = table->columnCount;
  auto** values = static_cast<char**>(calloc(count > 0 ? count : 1, sizeof(char*)));
  auto* lengths = static_cast<int32_t*>(calloc(count > 0 ? count : 1, sizeof(int32_t)));
  if (!values || !lengths) {
    free(values);
    free(lengths);
    return false;
  }
  int32_t i = 0;
  for (VectorNode* n = defn->columns->head; n && i < count; n = n->next, ++i) {
    auto* column = static_cast<ColumnDefnEntry*>(n->data);
    const Attribute* attribute = Find(attributes, column->name);
    bool named = attribute != nullptr;
    bool given = false;
    if (attribute) {
      given = AttributeValue(name.c_str(), column, attribute->value, symbols, &values[i],
                             &lengths[i], &named);
    }
    if (!given && column->defaultValue) {
      free(values[i]);
      values[i] = nullptr;
      if (AllocateAndCopyBytes(&values[i], column->defaultValue, column->defaultValueLength) == 1) {
        lengths[i] = column->defaultValueLength;
      }
    }
    if (!named) {
      const KeySlot* slot = nullptr;
      for (const KeySlot& s : foreign) {
        if (!slot && Same(s.localColumn, column->name)) slot = &s;
      }
      for (const KeySlot& s : primary) {
        if (!slot && Same(s.localColumn, column->name)) slot = &s;
      }
      if (slot && slot->hasValue) {
        char* inherited = nullptr;
        int32_t inheritedLength = 0;
        // A parent's key written as a symbol names the identifier the parent
        // drew (the parent is imported first), not the number 0.
        const auto* known = static_cast<int32_t*>(GetHashValue(symbols, slot->value.c_str()));
        if (known && !IsTextish(column->dataType)) {
          StoreInteger(*known, &inherited, &inheritedLength);
        } else {
          AllocateAndCopyColumnValue(&inherited, &inheritedLength, column->dataType,
                                     slot->value.c_str());
        }
        if (inherited) {
          free(values[i]);
          values[i] = inherited;
          lengths[i] = inheritedLength;
        }
      }
    }
  }
  RowObject* row = CreateNewRowObject(values, lengths);
  if (!row || !AddNewRow(name.c_str(), row)) {
    if (row) {
      FreeRowObject(row, count);
    } else {
      for (int32_t k = 0; k < count; ++k) free(values[k]);
      free(values);
      free(lengths);
    }
    return false;
  }
  return true;
}

// The node's children, each element a row followed by its own children.
bool ImportChildren(xmlDoc* doc, const xmlNode* parent, StringHashTable* symbols) {
  for (const xmlNode* node = parent->children; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    if (!ImportElement(doc, node, symbols)) {
      LogError("Cannot create and add a new row while constructing tabledata from XML file.\n");
      return false;
    }
    if (!ImportChildren(doc, node, symbols)) return false;
  }
  return true;
}

bool ImportDocument(xmlDoc* doc, const char* failure) {
  StringHashTable symbols{};
  if (!InitHashTable(&symbols, 50)) {
    xmlFreeDoc(doc);
    return false;
  }
  const xmlNode* root = xmlDocGetRootElement(doc);
  const bool ok = root && ImportChildren(doc, root, &symbols);
  if (!ok) LogError("%s", failure);
  xmlFreeDoc(doc);
  for (int32_t b = 0; b < symbols.bucketCount; ++b) {
    for (HashEntry* e = symbols.buckets[b]; e; e = e->next) free(e->value);
  }
  FreeHashTable(&symbols);
  return ok;
}

}  // namespace

uint8_t AllocateAndCopyColumnValue(char** value, int32_t* length, uint8_t type, const char* text) {
  if (!text) {
    LogTrace("value parameter in AllocateAndCopyColumnValue is NULL \n");
    return 0;
  }
  char scratch[kValueScratchSize];
  const char* bytes = nullptr;
  int32_t n = static_cast<int32_t>(strlen(text));
  switch (type) {
    case KES_SQL_TINYINT:
    case KES_SQL_UNSIGNED_TINYINT:
    case KES_SQL_SMALLINT:
    case KES_SQL_UNSIGNED_SMALLINT:
    case KES_SQL_INT:
    case KES_SQL_UNSIGNED_INT: {
      // Four bytes whatever the width; readers take the low-order end.
      if (!ConvertStringToValueBytes(text, &n, KES_SQL_INT, scratch, &bytes)) return 1;
      if (AllocateAndCopyBytes(value, bytes, 4) != 1) return 99;
      *length = 4;
      return 1;
    }
    case KES_SQL_BOOLEAN: {
      const char b = CompareStringNoCase(text, "false") == 0 ? 0 : 1;
      if (AllocateAndCopyBytes(value, &b, 1) != 1) return 99;
      *length = 1;
      return 1;
    }
    case KES_SQL_DATE:
    case KES_SQL_TIME:
    case KES_SQL_DATETIME: {
      int32_t packed = 0;
      *value = ODBCConvertDateTime(text, &packed, type);
      if (!*value) return 99;
      *length = packed;
      return 1;
    }
    case KES_SQL_NOT_SUPPORTED_TYPE:
      return 1;
    default: {
      // Integers of 64 bits, floats, texts; and (our choice) the unsigned
      // small, real, decimal, numeric and large-object types by their text.
      if (!ConvertStringToValueBytes(text, &n, type, scratch, &bytes)) return 1;
      if (AllocateAndCopyBytes(value, bytes, n) != 1) return 99;
      *length = n;
      return 1;
    }
  }
}

bool LoadTableDataFromXMLFile(const char* path) {
  LogTrace("\n\t@@@@@ Inside LoadTableDataFromXMLFile() @@@@@ \n");
  XmlErrorsToLog errors(path ? path : "");
  xmlDoc* doc = path ? xmlParseFile(path) : nullptr;
  if (!doc) {
    LogError("error: could not parse file file.xml\n");
    return false;
  }
  return ImportDocument(doc, "Cannot construct table data from XML file.\n");
}

bool LoadTableDataFromXMLBuffer(const char* buffer, int32_t size) {
  LogTrace("\n\t@@@@@ Inside LoadTableDataFromXMLBuffer() @@@@@ \n");
  XmlErrorsToLog errors("buffer");
  xmlDoc* doc = buffer && size > 0 ? xmlParseMemory(buffer, size) : nullptr;
  if (!doc) {
    LogError("error: could not parse file file.xml\n");
    return false;
  }
  return ImportDocument(doc, "Cannot construct table data from XML buffer.\n");
}

StringHashTable* LoadTableDataFromXMLNode(_xmlDoc* document, _xmlNode* node) {
  if (!document || !node) return nullptr;
  auto* symbols = static_cast<StringHashTable*>(calloc(1, sizeof(StringHashTable)));
  if (!symbols || !InitHashTable(symbols, 50)) {
    free(symbols);
    return nullptr;
  }
  if (!ImportChildren(document, node, symbols)) {
    LogError("Cannot construct table data from buffer node.\n");
    FreeXmlSymbolMap(symbols);
    return nullptr;
  }
  return symbols;
}

void FreeXmlSymbolMap(StringHashTable* symbols) {
  if (!symbols) return;
  for (int32_t b = 0; symbols->buckets && b < symbols->bucketCount; ++b) {
    for (HashEntry* e = symbols->buckets[b]; e; e = e->next) free(e->value);
  }
  FreeHashTable(symbols);
  free(symbols);
}
