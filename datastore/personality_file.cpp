#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "datastore/personality.h"
#include "datastore/xml_errors.h"
#include "runtime/conversions.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

XmlElementInfo* MakeElement(xmlDoc* doc, xmlNode* node) {
  auto* element = static_cast<XmlElementInfo*>(calloc(1, sizeof(XmlElementInfo)));
  if (!element) return nullptr;
  AllocateAndCopyString(&element->name, reinterpret_cast<const char*>(node->name));
  element->attributes = CreateVector();
  if (!element->name || !element->attributes) {
    FreeXmlElement(element);
    return nullptr;
  }
  for (xmlAttr* a = node->properties; a; a = a->next) {
    auto* pair = static_cast<XmlAttributePair*>(calloc(1, sizeof(XmlAttributePair)));
    xmlChar* text = xmlNodeListGetString(doc, a->children, 1);
    if (pair) {
      AllocateAndCopyString(&pair->name, reinterpret_cast<const char*>(a->name));
      AllocateAndCopyString(&pair->value, text ? reinterpret_cast<const char*>(text) : "");
    }
    if (text) xmlFree(text);
    if (!pair || !pair->name || !pair->value || AddElementData(element->attributes, pair) != 1) {
      if (pair) {
        free(pair->name);
        free(pair->value);
        free(pair);
      }
      FreeXmlElement(element);
      return nullptr;
    }
  }
  return element;
}

// Every element below the root, depth first in document order, without
// recursion (a deeply nested file cannot exhaust the stack).
bool CollectElements(xmlDoc* doc, xmlNode* root, Vector* elements) {
  std::vector<xmlNode*> pending;
  for (xmlNode* c = root->last; c; c = c->prev) pending.push_back(c);
  while (!pending.empty()) {
    xmlNode* node = pending.back();
    pending.pop_back();
    if (node->type != XML_ELEMENT_NODE) continue;
    XmlElementInfo* element = MakeElement(doc, node);
    if (!element || AddElementData(elements, element) != 1) {
      FreeXmlElement(element);
      LogError("Cannot Add doNode into doNodeVect.\n");
      return false;
    }
    for (xmlNode* c = node->last; c; c = c->prev) pending.push_back(c);
  }
  return true;
}

uint8_t LoadPersonalityDocument(xmlDoc* doc) {
  Vector* elements = CreateVector();
  xmlNode* root = xmlDocGetRootElement(doc);
  if (!elements || !root || !CollectElements(doc, root, elements)) {
    FreeXmlElements(elements);
    return elements && root ? 99 : 0;
  }
  CreateIndexTable(elements);
  const uint8_t result = CreateAndAddPersonalityDefn(elements);
  FreeXmlElements(elements);
  return result;
}

}  // namespace

uint8_t CreatePersonalityFromXMLFile(const char* path) {
  LogTrace("\n\t@@@@@ Inside CreatePersonalityFromXMLFile() @@@@@ \n");
  if (InitPersonality() != 1) return 99;
  XmlErrorsToLog errors(path ? path : "");
  xmlDoc* doc = path ? xmlReadFile(path, nullptr, XML_PARSE_NONET) : nullptr;
  if (!doc) {
    LogError("Could not parse file %s\n", path ? path : "(null)");
    return 0;
  }
  const uint8_t result = LoadPersonalityDocument(doc);
  xmlFreeDoc(doc);
  return result;
}

uint8_t CreatePersonalityFromXMLBuffer(const char* buffer, int32_t size, const char* source) {
  if (InitPersonality() != 1) return 99;
  const char* name = source ? source : "buffer";
  XmlErrorsToLog errors(name);
  xmlDoc* doc =
      buffer && size > 0 ? xmlReadMemory(buffer, size, name, nullptr, XML_PARSE_NONET) : nullptr;
  if (!doc) {
    LogError("Could not parse file %s\n", name);
    return 0;
  }
  const uint8_t result = LoadPersonalityDocument(doc);
  xmlFreeDoc(doc);
  return result;
}
