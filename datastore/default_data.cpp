#include "datastore/default_data.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <string>
#include <vector>

#include "database/text_reader.h"
#include "datastore/data_files.h"
#include "datastore/persistence.h"
#include "datastore/xml_errors.h"
#include "datastore/xml_import.h"
#include "runtime/conversions.h"
#include "runtime/log.h"

namespace {

constexpr size_t kSaveGroup = 50;
constexpr size_t kMaxName = 255;

void SaveGroup(std::vector<std::string>* names) {
  for (const std::string& name : *names) SaveTable(name.c_str());
  names->clear();
}

}  // namespace

bool SaveDataInXML(const char* path) {
  LogTrace("\n\t@@@@@ Inside SaveDataInXML() @@@@@ \n");
  if (!path || !LoadTableDataFromXMLFile(path)) {
    LogError("Cannot create DO from %s.\n", path ? path : "(null)");
    return false;
  }
  XmlErrorsToLog errors(path);
  xmlDoc* doc = xmlParseFile(path);
  if (!doc) {
    LogError("Error: could not parse file : %s\n", path);
    return false;
  }
  std::vector<std::string> seen;
  std::vector<std::string> group;
  const xmlNode* root = xmlDocGetRootElement(doc);
  for (const xmlNode* node = root ? root->children : nullptr; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    const std::string name = reinterpret_cast<const char*>(node->name);
    bool known = false;
    for (const std::string& s : seen)
      known = known || CompareStringNoCase(s.c_str(), name.c_str()) == 0;
    if (known) continue;
    seen.push_back(name);
    group.push_back(name);
    if (group.size() == kSaveGroup) SaveGroup(&group);
  }
  SaveGroup(&group);
  xmlFreeDoc(doc);
  return true;
}

bool SaveDefaultData() {
  LogTrace("\n\t@@@@@ Inside SaveDefaultData() @@@@@ \n");
  std::string directory = RelativeDataDirectory();
  FILE* list = fopen((directory + "defaultdata.txt").c_str(), "r");
  if (!list) list = OpenRootedDataFile("defaultdata.txt", &directory);
  if (!list) {
    LogError("No default data to be prepopulated.\n");
    return true;
  }
  bool ok = true;
  std::string name;
  for (;;) {
    const TextRead read = ReadFileToken(list, &name, kMaxName);
    if (read == TextRead::kEnd) break;
    if (read == TextRead::kTooLong) {
      LogError("defaultdata.txt: a name longer than %zu characters is left out\n", kMaxName);
      ok = false;
      continue;
    }
    if (!SaveDataInXML((directory + name).c_str())) ok = false;
  }
  fclose(list);
  return ok;
}
