// Registry calls of the seam over the POSIX registry file.
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/unicode.h"

struct plat::RegKeyHandle {
  RegRoot root;
  std::vector<std::string> names;  // from the root, as the key was found
};

namespace plat {

namespace {

using posix::RegNode;
using posix::RegTree;

const RegNode* Walk(const RegTree& tree, RegRoot root, const std::vector<std::string>& names) {
  const RegNode* node = tree.Root(root);
  for (const std::string& name : names) {
    if (!node) break;
    node = node->FindChild(name);
  }
  return node;
}

bool IsStringType(uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

}  // namespace

int32_t RegistryOpenKey(RegRoot root, const char* path, uint32_t /*access*/, RegKey* key) {
  if (!key) return kErrorInvalidParameter;
  *key = nullptr;
  std::vector<std::string> names;
  int32_t result = posix::SplitKeyPath(path ? path : "", &names);
  if (result != kErrorSuccess) return result;
  std::shared_ptr<const RegTree> tree;
  result = posix::LoadRegistry(&tree);
  if (result != kErrorSuccess) return result;
  const RegNode* node = tree->Root(root);
  if (!node) return kErrorInvalidHandle;
  for (std::string& name : names) {
    node = node->FindChild(name);
    if (!node) return kErrorFileNotFound;
    name = node->name();
  }
  *key = new RegKeyHandle{root, std::move(names)};
  return kErrorSuccess;
}

int32_t RegistryQueryValueAnsi(RegKey key, const char* name, uint32_t* type, uint8_t* data,
                               uint32_t* size) {
  if (!key) return kErrorInvalidHandle;
  if (data && !size) return kErrorInvalidParameter;
  std::shared_ptr<const RegTree> tree;
  int32_t result = posix::LoadRegistry(&tree);
  if (result != kErrorSuccess) return result;
  const RegNode* node = Walk(*tree, key->root, key->names);
  if (!node) return kErrorKeyDeleted;
  const posix::RegValue* value = node->FindValue(name ? name : "");
  if (!value) return kErrorFileNotFound;

  // The ANSI code page of this platform is UTF-8.
  std::string ansi;
  const std::string* bytes = &value->data;
  if (IsStringType(value->type)) {
    ansi = posix::Utf16ToUtf8(posix::Utf16FromLittleEndian(
        reinterpret_cast<const uint8_t*>(value->data.data()), value->data.size()));
    bytes = &ansi;
  }
  if (type) *type = value->type;
  if (!size) return kErrorSuccess;
  const auto needed = static_cast<uint32_t>(bytes->size());
  if (!data) {
    *size = needed;
    return kErrorSuccess;
  }
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  if (needed) std::memcpy(data, bytes->data(), needed);
  *size = needed;
  return kErrorSuccess;
}

namespace {

// Names the file format cannot carry on one line, or longer than Windows
// allows for a key name.
bool StorableKeyName(const std::string& name) {
  return name.size() <= 255 && name.find_first_of("\r\n") == std::string::npos;
}

bool StorableValueName(const std::string& name) {
  return name.size() <= 16383 && name.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

int32_t RegistryCreateKey(RegRoot root, const char* path, uint32_t /*access*/, RegKey* key,
                          uint32_t* disposition) {
  if (!key) return kErrorInvalidParameter;
  *key = nullptr;
  std::vector<std::string> names;
  int32_t result = posix::SplitKeyPath(path ? path : "", &names);
  if (result != kErrorSuccess) return result;
  for (const std::string& name : names) {
    if (!StorableKeyName(name)) return kErrorInvalidParameter;
  }
  bool created_any = false;
  result = posix::ModifyRegistry([&](RegTree* tree, bool* changed) {
    RegNode* node = tree->Root(root);
    if (!node) return kErrorInvalidHandle;
    for (std::string& name : names) {
      bool created = false;
      node = node->AddChild(name, &created);
      created_any = created_any || created;
      name = node->name();
    }
    *changed = created_any;
    return kErrorSuccess;
  });
  if (result != kErrorSuccess) return result;
  if (disposition) *disposition = created_any ? kRegCreatedNewKey : kRegOpenedExistingKey;
  *key = new RegKeyHandle{root, std::move(names)};
  return kErrorSuccess;
}

int32_t RegistrySetValueWide(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                             uint32_t size) {
  if (!key) return kErrorInvalidHandle;
  if (!data && size) return kErrorInvalidParameter;
  std::string utf8_name = name ? posix::Utf16ToUtf8(name) : std::string();
  if (!StorableValueName(utf8_name)) return kErrorInvalidParameter;
  std::string bytes(reinterpret_cast<const char*>(data), data ? size : 0);
  return posix::ModifyRegistry([&](RegTree* tree, bool* changed) {
    RegNode* node = const_cast<RegNode*>(Walk(*tree, key->root, key->names));
    if (!node) return kErrorKeyDeleted;
    node->SetValue(utf8_name, type, bytes);
    *changed = true;
    return kErrorSuccess;
  });
}

int32_t RegistryDeleteKey(RegRoot root, const char* path) {
  std::vector<std::string> names;
  int32_t result = posix::SplitKeyPath(path ? path : "", &names);
  if (result != kErrorSuccess) return result;
  if (names.empty()) return kErrorAccessDenied;  // a root key is never deleted
  return posix::ModifyRegistry([&](RegTree* tree, bool* changed) {
    std::vector<std::string> parent_names(names.begin(), names.end() - 1);
    RegNode* parent = const_cast<RegNode*>(Walk(*tree, root, parent_names));
    if (!tree->Root(root)) return kErrorInvalidHandle;
    RegNode* target = parent ? parent->FindChild(names.back()) : nullptr;
    if (!target) return kErrorFileNotFound;
    if (!target->children().empty()) return kErrorAccessDenied;
    parent->RemoveChild(names.back());
    *changed = true;
    return kErrorSuccess;
  });
}

int32_t RegistryEnumKeyAnsi(RegKey key, uint32_t index, char* name, uint32_t* size) {
  if (!key) return kErrorInvalidHandle;
  if (!name || !size) return kErrorInvalidParameter;
  std::shared_ptr<const RegTree> tree;
  int32_t result = posix::LoadRegistry(&tree);
  if (result != kErrorSuccess) return result;
  const RegNode* node = Walk(*tree, key->root, key->names);
  if (!node) return kErrorKeyDeleted;
  if (index >= node->children().size()) return kErrorNoMoreItems;
  const std::string& child = node->children()[index]->name();
  if (child.size() >= *size) return kErrorMoreData;
  std::memcpy(name, child.c_str(), child.size() + 1);
  *size = static_cast<uint32_t>(child.size());
  return kErrorSuccess;
}

void RegistryCloseKey(RegKey key) { delete key; }

}  // namespace plat
