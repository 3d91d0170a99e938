// The data-dictionary loader.  Stage one walks the document with libxml2's
// streaming text reader and builds, per table element, a small tag tree
// (XmlTagInfo); stage two turns a complete tree into a TableDefn.  Every
// loop consumes a node or ends, so no input can make it spin, and a table
// that is cut short is freed, never registered half-built.
#include "datastore/data_dictionary.h"

#include "datastore/xml_errors.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "datastore/column_value.h"
#include "datastore/table_defn.h"
#include "platform/platform.h"
#include "runtime/conversions.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

constexpr size_t kMaxListName = 127;
constexpr size_t kMaxPath = 259;
constexpr const char kListName[] = "datadictionary.txt";

// ---------------------------------------------------------------------------
// The tag tree.

struct XmlTagInfo {
  char* tagName;
  char** attributeNames;
  char** attributeValues;
  int32_t attributeCount;
  char** values;
  int32_t valueCount;
  XmlTagInfo* child;
  XmlTagInfo* sibling;
};

void FreeXmlTagInfoList(XmlTagInfo* node) {
  // Children and siblings first; siblings iteratively so long lists (many
  // columns) need no deep recursion.
  while (node) {
    XmlTagInfo* next = node->sibling;
    FreeXmlTagInfoList(node->child);
    for (int32_t i = 0; i < node->attributeCount; ++i) {
      free(node->attributeNames[i]);
      free(node->attributeValues[i]);
    }
    free(node->attributeNames);
    free(node->attributeValues);
    for (int32_t i = 0; i < node->valueCount; ++i) free(node->values[i]);
    free(node->values);
    free(node->tagName);
    free(node);
    node = next;
  }
}

struct TreeDeleter {
  void operator()(XmlTagInfo* node) const { FreeXmlTagInfoList(node); }
};

XmlTagInfo* NewTag(const char* name) {
  auto* node = static_cast<XmlTagInfo*>(calloc(1, sizeof(XmlTagInfo)));
  if (!node) return nullptr;
  if (AllocateAndCopyString(&node->tagName, name) != kResultSuccess) {
    free(node);
    return nullptr;
  }
  return node;
}

bool AddValue(XmlTagInfo* node, const char* text) {
  auto* grown = static_cast<char**>(
      realloc(node->values, sizeof(char*) * (static_cast<size_t>(node->valueCount) + 1)));
  if (!grown) return false;
  node->values = grown;
  char* copy = nullptr;
  if (AllocateAndCopyString(&copy, text) != kResultSuccess) return false;
  node->values[node->valueCount++] = copy;
  return true;
}

const char* FirstValue(const XmlTagInfo* node) {
  return node && node->valueCount > 0 ? node->values[0] : nullptr;
}

const char* FirstAttributeValue(const XmlTagInfo* node) {
  return node && node->attributeCount > 0 ? node->attributeValues[0] : nullptr;
}

const char* AttributeValue(const XmlTagInfo* node, const char* name) {
  for (int32_t i = 0; node && i < node->attributeCount; ++i) {
    if (strcmp(node->attributeNames[i], name) == 0) return node->attributeValues[i];
  }
  return nullptr;
}

bool Named(const XmlTagInfo* node, const char* name) {
  return node && strcmp(node->tagName, name) == 0;
}

// Appends children in order: the first becomes the parent's child, each
// later one the sibling of the one before.
class ChildChain {
 public:
  explicit ChildChain(XmlTagInfo* parent) : parent_(parent) {}
  void Add(XmlTagInfo* node) {
    if (last_) {
      last_->sibling = node;
    } else {
      parent_->child = node;
    }
    last_ = node;
  }
  bool Empty() const { return last_ == nullptr; }

 private:
  XmlTagInfo* parent_;
  XmlTagInfo* last_ = nullptr;
};

// ---------------------------------------------------------------------------
// The reader.

// The text reader reduced to the nodes that matter: start and end
// elements, text and CDATA.  Comments, whitespace and the like are skipped.
class Reader {
 public:
  explicit Reader(xmlTextReaderPtr reader) : reader_(reader) {}

  // 1 on a node, 0 at the end of the document, -1 on a reader error.
  int Next() {
    for (;;) {
      status_ = xmlTextReaderRead(reader_);
      if (status_ != 1) return status_;
      type_ = xmlTextReaderNodeType(reader_);
      if (type_ == XML_READER_TYPE_ELEMENT || type_ == XML_READER_TYPE_END_ELEMENT ||
          type_ == XML_READER_TYPE_TEXT || type_ == XML_READER_TYPE_CDATA) {
        depth_ = xmlTextReaderDepth(reader_);
        name_ = reinterpret_cast<const char*>(xmlTextReaderConstName(reader_));
        if (!name_) name_ = "";
        empty_ = type_ == XML_READER_TYPE_ELEMENT && xmlTextReaderIsEmptyElement(reader_) == 1;
        return 1;
      }
    }
  }

  int status() const { return status_; }
  int depth() const { return depth_; }
  const char* name() const { return name_; }
  bool empty() const { return empty_; }
  bool IsStart() const { return type_ == XML_READER_TYPE_ELEMENT; }
  bool IsText() const { return type_ == XML_READER_TYPE_TEXT || type_ == XML_READER_TYPE_CDATA; }
  bool IsStart(const char* name) const {
    return IsStart() && CompareStringNoCase(name_, name) == 0;
  }
  bool IsEndAt(int depth) const { return type_ == XML_READER_TYPE_END_ELEMENT && depth_ == depth; }
  const char* Value() const {
    return reinterpret_cast<const char*>(xmlTextReaderConstValue(reader_));
  }

  // Reads on until the end tag at depth (the current node may be it).
  // 1 there, otherwise the reader's status.
  int SkipToEndAt(int depth) {
    while (!IsEndAt(depth)) {
      if (Next() != 1) return status_;
    }
    return 1;
  }
  // Past the current element's content: on its end tag, or on the element
  // itself when it is empty.
  int SkipElement() {
    if (!IsStart() || empty_) return 1;
    return SkipToEndAt(depth_);
  }

  // A node for the current element with the attributes the dictionary
  // uses, in their fixed order; any other attribute is reported.
  XmlTagInfo* NewElementTag(const char* tagName) {
    XmlTagInfo* node = NewTag(tagName);
    if (!node) return nullptr;
    const int count = xmlTextReaderAttributeCount(reader_);
    if (count <= 0) return node;
    static const char* const kKept[] = {"name", "system", "reference-table-name",
                                        "isbidirectional"};
    node->attributeNames = static_cast<char**>(calloc(4, sizeof(char*)));
    node->attributeValues = static_cast<char**>(calloc(4, sizeof(char*)));
    if (!node->attributeNames || !node->attributeValues) {
      FreeXmlTagInfoList(node);
      return nullptr;
    }
    for (const char* attribute : kKept) {
      xmlChar* value = xmlTextReaderGetAttribute(reader_, BAD_CAST attribute);
      if (!value) continue;
      const int32_t at = node->attributeCount;
      const bool copied =
          AllocateAndCopyString(&node->attributeNames[at], attribute) == kResultSuccess &&
          AllocateAndCopyString(&node->attributeValues[at], reinterpret_cast<char*>(value)) ==
              kResultSuccess;
      xmlFree(value);
      if (!copied) {
        free(node->attributeNames[at]);
        free(node->attributeValues[at]);
        node->attributeNames[at] = node->attributeValues[at] = nullptr;
        FreeXmlTagInfoList(node);
        return nullptr;
      }
      ++node->attributeCount;
    }
    if (node->attributeCount < count) LogError("\n Not all Attributes were read\n");
    return node;
  }

 private:
  xmlTextReaderPtr reader_;
  int status_ = 1;
  int type_ = 0;
  int depth_ = 0;
  const char* name_ = "";
  bool empty_ = false;
};

enum class Text { kOk, kMissingEnd, kFailed };

// The text of the current element (adjacent text and CDATA joined); none
// for an empty element.  kMissingEnd when anything but its end tag follows
// the text; kFailed when the reader fails or memory runs out.
Text ReadText(Reader& r, std::string* text, bool* present) {
  *present = false;
  text->clear();
  if (r.empty()) return Text::kOk;
  const int depth = r.depth();
  if (r.Next() != 1) return Text::kFailed;
  while (r.IsText()) {
    const char* value = r.Value();
    if (value) text->append(value);
    *present = true;
    if (r.Next() != 1) return Text::kFailed;
  }
  return r.IsEndAt(depth) ? Text::kOk : Text::kMissingEnd;
}

// A node named tagName for the current element holding its text.  On a
// missing end tag the node is still made (with the text read) and *missing
// is set.  None when the reader failed or memory ran out.
XmlTagInfo* TextTag(Reader& r, const char* tagName, bool* missing) {
  *missing = false;
  XmlTagInfo* node = r.NewElementTag(tagName);
  if (!node) return nullptr;
  std::string text;
  bool present = false;
  const Text result = ReadText(r, &text, &present);
  if (result == Text::kFailed || (present && !AddValue(node, text.c_str()))) {
    FreeXmlTagInfoList(node);
    return nullptr;
  }
  *missing = result == Text::kMissingEnd;
  return node;
}

// Outcome of reading one list: kOk (also when a list was abandoned after a
// logged missing end tag) or kFailed (the table is abandoned).
enum class Stage { kOk, kFailed };

// What a list's visitor says after one child element.
enum class Step { kNext, kDone, kFailed };

// Calls visit(depth of the list) on each element inside the current one,
// until the list's end tag; kDone ends the list early, kFailed abandons it.
template <typename Visit>
Stage ForEachChildElement(Reader& r, Visit visit) {
  if (r.empty()) return Stage::kOk;
  const int depth = r.depth();
  for (;;) {
    if (r.Next() != 1) return Stage::kFailed;
    if (r.IsEndAt(depth)) return Stage::kOk;
    if (!r.IsStart()) continue;
    const Step step = visit(depth);
    if (step == Step::kDone) return Stage::kOk;
    if (step == Step::kFailed) return Stage::kFailed;
  }
}

// Abandons the list at depth after a logged missing end tag.
Step AbandonList(Reader& r, int depth) {
  return r.SkipToEndAt(depth) == 1 ? Step::kDone : Step::kFailed;
}

Step Skip(Reader& r) { return r.SkipElement() == 1 ? Step::kNext : Step::kFailed; }

// allowed-values: one node "value" with every listed value, or the nodes
// "from" and "to" with one bound each.
Stage ParseAllowedValues(Reader& r, ChildChain& properties) {
  XmlTagInfo* values = nullptr;
  return ForEachChildElement(r, [&](int depth) {
    bool missing = false;
    const char* message = nullptr;
    if (r.IsStart("value")) {
      if (!values) {
        values = r.NewElementTag("value");
        if (!values) return Step::kFailed;
        properties.Add(values);
      }
      std::string text;
      bool present = false;
      const Text result = ReadText(r, &text, &present);
      if (result == Text::kFailed) return Step::kFailed;
      if (!AddValue(values, text.c_str())) {
        LogError("MEMORY_ALLOCATION_FAILURE\n");
        return Step::kFailed;
      }
      missing = result == Text::kMissingEnd;
      message = "\n No ending Value tag\n";
    } else if (r.IsStart("from") || r.IsStart("to")) {
      const bool from = r.IsStart("from");
      XmlTagInfo* bound = TextTag(r, from ? "from" : "to", &missing);
      if (!bound) return Step::kFailed;
      properties.Add(bound);
      message = from ? "\nNo Ending FROM tag \n" : "\nNo ending TO tag \n";
    } else {
      return Skip(r);
    }
    if (!missing) return Step::kNext;
    LogError("%s", message);
    return AbandonList(r, depth);
  });
}

// uniquevalue-generation: a node "generator-name" with the sequence name.
Stage ParseGenerator(Reader& r, ChildChain& properties) {
  return ForEachChildElement(r, [&](int depth) {
    if (!r.IsStart("generator-name")) return Skip(r);
    bool missing = false;
    XmlTagInfo* node = TextTag(r, "generator-name", &missing);
    if (!node) return Step::kFailed;
    properties.Add(node);
    return missing ? AbandonList(r, depth) : Step::kNext;
  });
}

// The property elements of one column, as children of the column node.
Stage ParseColumnProperties(Reader& r, XmlTagInfo* column) {
  ChildChain properties(column);
  return ForEachChildElement(r, [&](int depth) {
    if (r.depth() != depth + 1) return Step::kNext;
    if (r.IsStart("uniquevalue-generation")) {
      return ParseGenerator(r, properties) == Stage::kOk ? Step::kNext : Step::kFailed;
    }
    if (r.IsStart("allowed-values")) {
      return ParseAllowedValues(r, properties) == Stage::kOk ? Step::kNext : Step::kFailed;
    }
    bool missing = false;
    XmlTagInfo* node = TextTag(r, r.name(), &missing);
    if (!node) return Step::kFailed;
    properties.Add(node);
    if (missing && r.SkipToEndAt(depth + 1) != 1) return Step::kFailed;
    return Step::kNext;
  });
}

// columns: each column a node with its attributes, chained in order.  Any
// element other than column ends the list.
Stage ParseColumnsTag(Reader& r, XmlTagInfo* columns) {
  ChildChain chain(columns);
  return ForEachChildElement(r, [&](int) {
    if (!r.IsStart("column")) return Step::kDone;
    XmlTagInfo* column = r.NewElementTag(r.name());
    if (!column) return Step::kFailed;
    chain.Add(column);
    return ParseColumnProperties(r, column) == Stage::kOk ? Step::kNext : Step::kFailed;
  });
}

// A node for a text element of a key list; a missing end tag is logged
// with message and abandons the list at listDepth.
Step KeyText(Reader& r, ChildChain& chain, const char* message, int listDepth) {
  bool missing = false;
  XmlTagInfo* node = TextTag(r, r.name(), &missing);
  if (!node) return Step::kFailed;
  chain.Add(node);
  if (!missing) return Step::kNext;
  LogError("%s", message);
  return AbandonList(r, listDepth);
}

// primary-key: one node per primary-key-column holding its text.
Stage ParsePrimaryKey(Reader& r, XmlTagInfo* key) {
  ChildChain chain(key);
  return ForEachChildElement(r, [&](int depth) {
    if (!r.IsStart("primary-key-column")) return Skip(r);
    return KeyText(r, chain, "\nMissing primary-key-column end tag\n", depth);
  });
}

// fk-columns: the fk-column pairs, each a node fk-local-column and its
// sibling fk-reference-column.  A missing end tag abandons the pairs.
Stage ParseFkColumns(Reader& r, XmlTagInfo* columns) {
  ChildChain pairs(columns);
  return ForEachChildElement(r, [&](int listDepth) {
    if (!r.IsStart("fk-column")) {
      LogError("\nMissing end FK-COLUMNS\n");
      return AbandonList(r, listDepth);
    }
    XmlTagInfo* pair = r.NewElementTag(r.name());
    if (!pair) return Step::kFailed;
    pairs.Add(pair);
    ChildChain chain(pair);
    bool abandoned = false;
    const Stage stage = ForEachChildElement(r, [&](int) {
      const bool local = r.IsStart("fk-local-column");
      if (!local && !r.IsStart("fk-reference-column")) return Skip(r);
      const Step step = KeyText(r, chain,
                                local ? "\n Missing endof FK-LOCAL-COLUMN tag\n"
                                      : "\nMissing endof FK-REFERENCE-COLUMN\n",
                                listDepth);
      abandoned = step == Step::kDone;
      return step;
    });
    if (stage != Stage::kOk) return Step::kFailed;
    return abandoned ? Step::kDone : Step::kNext;
  });
}

// foreign-key: its first child a node named after the element that comes
// first (fk-columns when well formed), then fk-constraints.
Stage ParseForeignKey(Reader& r, XmlTagInfo* key) {
  ChildChain chain(key);
  return ForEachChildElement(r, [&](int depth) {
    if (r.IsStart("fk-constraints") && !chain.Empty()) {
      return KeyText(r, chain, "\nMissing endof FK-CONSTRAINTS tag\n", depth);
    }
    if (!chain.Empty()) return Skip(r);
    XmlTagInfo* first = r.NewElementTag(r.name());
    if (!first) return Step::kFailed;
    chain.Add(first);
    if (!r.IsStart("fk-columns")) return Skip(r);
    return ParseFkColumns(r, first) == Stage::kOk ? Step::kNext : Step::kFailed;
  });
}

Stage ParseForeignKeys(Reader& r, XmlTagInfo* keys) {
  ChildChain chain(keys);
  return ForEachChildElement(r, [&](int) {
    if (!r.IsStart("foreign-key")) return Skip(r);
    XmlTagInfo* key = r.NewElementTag(r.name());
    if (!key) return Step::kFailed;
    chain.Add(key);
    return ParseForeignKey(r, key) == Stage::kOk ? Step::kNext : Step::kFailed;
  });
}

bool EndsTable(const Reader& r) {
  return xmlStrcmp(BAD_CAST r.name(), BAD_CAST "table") == 0 ||
         xmlStrcmp(BAD_CAST r.name(), BAD_CAST "data-dictionary") == 0;
}

// Stage one for the table element under the reader: its tag tree, or none
// when the table was cut short (reader failure or no memory).
XmlTagInfo* ParseTableTag(Reader& r) {
  std::unique_ptr<XmlTagInfo, TreeDeleter> table(r.NewElementTag(r.name()));
  if (!table) return nullptr;
  if (const char* name = FirstAttributeValue(table.get())) LogTrace("Parsing table %s\n", name);
  if (r.empty()) return table.release();
  const int depth = r.depth();
  if (r.Next() != 1) {
    LogError("\nxmlTextReaderRead returned error \n");
    return nullptr;
  }
  ChildChain chain(table.get());
  for (;; r.Next()) {
    if (r.status() != 1) return nullptr;
    // Its own end tag, or another table or data-dictionary tag, ends it.
    if (r.IsEndAt(depth) || EndsTable(r)) break;
    if (!r.IsStart() || r.depth() != depth + 1) continue;
    if (r.IsStart("description")) {
      bool missing = false;
      XmlTagInfo* node = TextTag(r, r.name(), &missing);
      if (!node) return nullptr;
      if (!chain.Empty()) LogError("\nDescription tag ambiguity \n");
      chain.Add(node);
      if (missing && r.SkipToEndAt(depth + 1) != 1) return nullptr;
      continue;
    }
    const bool columns = r.IsStart("columns");
    const bool primary = r.IsStart("primary-key");
    const bool foreign = r.IsStart("foreign-keys");
    if (!columns && !primary && !foreign) {
      if (r.SkipElement() != 1) return nullptr;
      continue;
    }
    XmlTagInfo* node = r.NewElementTag(r.name());
    if (!node) return nullptr;
    chain.Add(node);
    const Stage stage = columns   ? ParseColumnsTag(r, node)
                        : primary ? ParsePrimaryKey(r, node)
                                  : ParseForeignKeys(r, node);
    if (stage != Stage::kOk) return nullptr;
  }
  return table.release();
}

// ---------------------------------------------------------------------------
// Stage two.

struct ColumnProperties {
  const char* dataType = nullptr;
  bool hasDataType = false;
  uint8_t nullable = 1;
  int32_t maxSize = 0;
  const char* description = nullptr;
  const char* defaultText = nullptr;
  const char* generatorName = nullptr;
  uint8_t unique = 0;
  AllowedValues* allowed = nullptr;
};

// Reads one column's property nodes; false drops the table (logged).
bool ReadColumnProperties(const XmlTagInfo* column, ColumnProperties* p) {
  for (const XmlTagInfo* prop = column->child; prop; prop = prop->sibling) {
    const char* text = FirstValue(prop);
    if (Named(prop, "data-type")) {
      p->dataType = text;
      p->hasDataType = true;
    } else if (Named(prop, "nullable")) {
      p->nullable = text && CompareStringNoCase(text, "true") == 0 ? 1 : 0;
    } else if (Named(prop, "max-size")) {
      p->maxSize = text ? ConvertStringToInt(text) : 0;
    } else if (Named(prop, "description")) {
      p->description = text;
    } else if (Named(prop, "default-value")) {
      p->defaultText = text;
    } else if (Named(prop, "generator-name")) {
      p->generatorName = text;
    } else if (Named(prop, "unique")) {
      p->unique = text && strcmp(text, "true") == 0 ? 1 : 0;
    } else if (Named(prop, "value") || Named(prop, "from")) {
      const bool range = Named(prop, "from");
      if (range && !Named(prop->sibling, "to")) {
        LogError("In the allowed values attribute, 'to' tag is missing.\n");
        return false;
      }
      const char* bounds[2] = {text, range ? FirstValue(prop->sibling) : nullptr};
      AllowedValues* allowed = range ? CreateAllowedValues(bounds, 2, 1)
                                     : CreateAllowedValues(prop->values, prop->valueCount, 0);
      if (!allowed) {
        LogError("Cannot copy allowed values.\n");
        return false;
      }
      FreeAllowedValues(p->allowed);
      p->allowed = allowed;
      if (range) prop = prop->sibling;
    }
  }
  return true;
}

// The entries of one foreign-key node, appended to constraints; a key that
// names no table or lacks its column list is dropped with an error line.
bool AddForeignKeys(const char* table, const XmlTagInfo* key, ConstraintDefn* constraints) {
  const char* referenceTable = AttributeValue(key, "reference-table-name");
  const char* bidirectional = AttributeValue(key, "isbidirectional");
  const XmlTagInfo* columns = key->child;
  if (!Named(columns, "fk-columns")) {
    LogDebug("fk-columns tag not found \n");
    LogError("Foreign key of table %s without fk-columns: the foreign key is dropped\n", table);
    return true;
  }
  if (!referenceTable) {
    LogError("Foreign key of table %s without reference-table-name: the foreign key is dropped\n",
             table);
    return true;
  }
  const XmlTagInfo* constraint = columns->sibling;
  const uint8_t cascade = Named(constraint, "fk-constraints") && FirstValue(constraint) &&
                                  strcmp(FirstValue(constraint), "ON-DELETE-CASCADE") == 0
                              ? 1
                              : 0;
  bool first = true;
  for (const XmlTagInfo* pair = columns->child; pair; pair = pair->sibling) {
    const XmlTagInfo* local = pair->child;
    const XmlTagInfo* reference = local ? local->sibling : nullptr;
    const char* localName = Named(local, "fk-local-column") ? FirstValue(local) : nullptr;
    const char* referenceName =
        Named(reference, "fk-reference-column") ? FirstValue(reference) : nullptr;
    if (!localName || !referenceName) {
      LogError("Foreign key of table %s to %s: a column pair without both names is dropped\n",
               table, referenceTable);
      continue;
    }
    const uint8_t bidi = first && bidirectional && strcmp(bidirectional, "true") == 0 ? 1 : 0;
    first = false;
    ForeignKeyEntry* entry =
        CreateForeignKeyEntry(localName, referenceName, referenceTable, cascade, 0, bidi);
    if (!entry || AddForeignKeyEntry(constraints, entry) != kResultSuccess) {
      FreeForeignKeyEntry(entry);
      return false;
    }
  }
  return true;
}

// Stage two: registers the table a complete tree describes.
void CreateTableDefnFromTagInfo(const XmlTagInfo* table) {
  const char* tableName = FirstAttributeValue(table);
  const XmlTagInfo* node = table->child;
  if (!node) return;
  const char* description = nullptr;
  if (Named(node, "description")) {
    description = FirstValue(node);
    node = node->sibling;
    if (!node) return;
  }
  if (!Named(node, "columns") || !node->child) return;
  if (!tableName) {
    LogError("A table without a name attribute is dropped\n");
    return;
  }
  const XmlTagInfo* columnsNode = node;

  Vector* columns = CreateVector();
  if (!columns) return;
  for (const XmlTagInfo* column = columnsNode->child; column; column = column->sibling) {
    const char* columnName = FirstAttributeValue(column);
    if (!columnName) {
      LogError("A column without a name attribute in table %s: the table is dropped\n", tableName);
      FreeColumnDefnList(columns);
      return;
    }
    ColumnProperties p;
    if (!ReadColumnProperties(column, &p)) {
      FreeAllowedValues(p.allowed);
      FreeColumnDefnList(columns);
      return;
    }
    uint8_t type = GetDataTypeFromName(p.dataType);
    if (!p.dataType) {
      LogError("Column data type not supported - Error while creating column definition.\n");
      type = KES_SQL_NOT_SUPPORTED_TYPE;
    }
    const int32_t defaultLength =
        p.defaultText ? static_cast<int32_t>(strnlen(p.defaultText, INT32_MAX - 1)) : 0;
    ColumnDefnEntry* entry =
        CreateColumnDefn(columnName, type, p.defaultText, defaultLength, p.unique, p.generatorName,
                         p.description, p.maxSize, p.nullable, p.allowed);
    if (!entry || !AddElementData(columns, entry)) {
      FreeColumnDefn(entry);
      FreeColumnDefnList(columns);
      return;
    }
  }

  ConstraintDefn* constraints = CreateConstraintDefn(nullptr, 0);
  if (!constraints) {
    FreeColumnDefnList(columns);
    return;
  }
  node = columnsNode->sibling;
  bool complete = true;
  if (Named(node, "primary-key")) {
    std::vector<const char*> keys;
    for (const XmlTagInfo* key = node->child; key; key = key->sibling) {
      keys.push_back(FirstValue(key));
    }
    ConstraintDefn* withKeys = CreateConstraintDefn(keys.data(), static_cast<int32_t>(keys.size()));
    if (withKeys) {
      FreeConstraintDefn(constraints);
      constraints = withKeys;
    } else {
      complete = false;
    }
    node = node->sibling;
  }
  if (complete && Named(node, "foreign-keys")) {
    for (const XmlTagInfo* key = node->child; key && complete; key = key->sibling) {
      complete = AddForeignKeys(tableName, key, constraints);
    }
  }
  TableDefn* defn =
      complete ? CreateTableDefn(tableName, description, columns, constraints) : nullptr;
  if (!defn) {
    FreeColumnDefnList(columns);
    FreeConstraintDefn(constraints);
    return;
  }
  if (AddTableDefn(defn) != kResultSuccess) {
    FreeTableDefn(defn);
    return;
  }
  LogTrace("Table definition %s loaded\n", tableName);
}

// ---------------------------------------------------------------------------
// The walk over one document.

void WalkDictionary(xmlTextReaderPtr handle, const char* source) {
  Reader r(handle);
  // Past the root element, whatever its name.
  if (r.Next() == 1) {
    while (r.Next() == 1) {
      if (r.IsStart() && xmlStrcmp(BAD_CAST r.name(), BAD_CAST "table") == 0) {
        std::unique_ptr<XmlTagInfo, TreeDeleter> tree(ParseTableTag(r));
        if (tree) CreateTableDefnFromTagInfo(tree.get());
        if (r.status() != 1) break;
      } else if (r.IsStart() && xmlStrcmp(BAD_CAST r.name(), BAD_CAST "description") == 0) {
        // The dictionary's own description: its text and its end tag are
        // read and dropped.
        if (!r.empty() && (r.Next() != 1 || (r.IsText() && r.Next() != 1))) {
          LogError("\nNo Description end tag\n");
          break;
        }
      }
    }
  }
  if (r.status() < 0) LogError("%s : failed to parse\n", source);
}

// A name from a list file, refused when it is longer than the list allows.
bool AcceptListName(const std::string& name) {
  if (name.size() <= kMaxListName) return true;
  LogError("Data dictionary name longer than %zu characters refused: %.40s...\n", kMaxListName,
           name.c_str());
  return false;
}

bool AcceptPath(const std::string& path) {
  if (path.size() <= kMaxPath) return true;
  LogError("Path longer than %zu characters refused: %.40s...\n", kMaxPath, path.c_str());
  return false;
}

// Reads whitespace-separated names from the list and loads each one from
// prefix + name; the list is closed afterwards.
void LoadListedFiles(FILE* list, const std::string& prefix) {
  std::string name;
  for (;;) {
    int c = fgetc(list);
    const bool end = c == EOF;
    if (end || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
      if (!name.empty() && AcceptListName(name)) {
        const std::string path = prefix + name;
        if (AcceptPath(path)) {
          LogDebug("Opening %s\n", path.c_str());
          LoadDataDictFromXMLFile(path.c_str());
        }
      }
      name.clear();
      if (end) break;
      continue;
    }
    name.push_back(static_cast<char>(c));
  }
  fclose(list);
}

std::string Separator() { return std::string(1, plat::kPathSeparator); }

}  // namespace

bool XmlDataParser(const char* path) {
  LogTrace("\n\t@@@@@ Inside XmlDataParser() @@@@@ \n");
  if (!path) return true;
  xmlInitParser();
  XmlErrorsToLog errors(path);
  xmlTextReaderPtr reader = xmlNewTextReaderFilename(path);
  if (!reader) {
    LogError("Unable to open %s\n", path);
    return true;
  }
  WalkDictionary(reader, path);
  xmlFreeTextReader(reader);
  return true;
}

bool LoadDataDictFromXMLFile(const char* path) {
  LogTrace("\n\t@@@@@ Inside LoadDataDictFromXMLFile() @@@@@ \n");
  if (!path) return false;
  XmlDataParser(path);
  return true;
}

bool LoadDataDictFromXMLMemory(const char* bytes, int32_t length, const char* name) {
  LogTrace("\n\t@@@@@ Inside LoadDataDictFromXMLMemory() @@@@@ \n");
  if (!bytes || length < 0) return false;
  const char* source = name ? name : "(memory)";
  xmlInitParser();
  XmlErrorsToLog errors(source);
  xmlTextReaderPtr reader = xmlReaderForMemory(bytes, length, source, nullptr, XML_PARSE_NONET);
  if (!reader) {
    LogError("Unable to open %s\n", source);
    return true;
  }
  WalkDictionary(reader, source);
  xmlFreeTextReader(reader);
  return true;
}

bool LoadAllDataDictFiles() {
  LogTrace("\n\t@@@@@ Inside LoadAllDataDictFiles() @@@@@ \n");
  const std::string sep = Separator();
  const std::string directory = ".." + sep + "data" + sep;
  FILE* list = fopen((directory + kListName).c_str(), "r");
  std::string prefix = directory;
  if (!list && gv_tavrixRoot) {
    const std::string rootData = std::string(gv_tavrixRoot) + "/data/";
    const std::string rooted = rootData + kListName;
    if (AcceptPath(rooted)) {
      LogDebug("Opening %s\n", rooted.c_str());
      list = fopen(rooted.c_str(), "r");
      prefix = rootData;
    }
  }
  if (!list) {
    LogError("Cannot open DataDictionary File.\n");
    return false;
  }
  LoadListedFiles(list, prefix);
  return true;
}

bool LoadDataDictFiles(const char* directory) {
  LogTrace("\n\t@@@@@ Inside LoadDataDictFiles() @@@@@ \n");
  if (!directory) return false;
  const std::string prefix = std::string(directory) + Separator();
  const std::string listPath = prefix + kListName;
  if (listPath.size() > kMaxPath) {
    AcceptPath(listPath);
    return false;
  }
  FILE* list = fopen(listPath.c_str(), "r");
  if (!list) return false;
  LoadListedFiles(list, prefix);
  return true;
}
