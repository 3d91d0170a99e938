// The registry of the POSIX emulation as a tree of keys, and its text form:
// the regedit export format ("Windows Registry Editor Version 5.00").
// Names compare without regard to case and keep the case they were made
// with; keys keep their creation order, as an export does.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

namespace plat::posix {

struct RegValue {
  std::string name;  // UTF-8
  uint32_t type = kRegNone;
  std::string data;  // the bytes as Windows holds them: strings in UTF-16LE
};

// ASCII case folding, the comparison key of key and value names.
std::string FoldName(std::string_view name);

class RegNode {
 public:
  explicit RegNode(std::string name) : name_(std::move(name)) {}
  RegNode(const RegNode&) = delete;
  RegNode& operator=(const RegNode&) = delete;

  std::unique_ptr<RegNode> Clone() const;

  const std::string& name() const { return name_; }
  const std::vector<std::unique_ptr<RegNode>>& children() const { return children_; }
  const std::vector<RegValue>& values() const { return values_; }

  RegNode* FindChild(std::string_view name) const;
  // The existing child of that name, or a new one appended last.
  RegNode* AddChild(std::string_view name, bool* created = nullptr);
  bool RemoveChild(std::string_view name);

  const RegValue* FindValue(std::string_view name) const;
  void SetValue(std::string_view name, uint32_t type, std::string data);
  bool RemoveValue(std::string_view name);

 private:
  std::string name_;
  std::vector<RegValue> values_;
  std::vector<std::unique_ptr<RegNode>> children_;
  std::unordered_map<std::string, RegNode*> index_;  // folded name -> child
};

class RegTree {
 public:
  RegTree();
  std::unique_ptr<RegTree> Clone() const;

  // The node of a predefined root key, or none for another handle value.
  RegNode* Root(RegRoot root);
  const RegNode* Root(RegRoot root) const;

 private:
  std::array<std::unique_ptr<RegNode>, 6> roots_;
};

// The root key a section names (HKEY_LOCAL_MACHINE, ...); false if none.
bool RootFromName(std::string_view name, RegRoot* root);

// Splits "A\B\C" into its key names.  A trailing backslash is ignored, as
// Windows does; an empty name elsewhere gives kErrorBadPathname.
int32_t SplitKeyPath(std::string_view path, std::vector<std::string>* names);

// Reads a file's bytes (UTF-8, with or without a byte-order mark, or
// UTF-16LE with one).  False, with a message naming the line, for anything
// that is not a registry file; the tree is then unusable.
bool ParseRegistryFile(std::string_view bytes, RegTree* tree, std::string* error);

// The tree as a UTF-8 registry file.
std::string SerializeRegistry(const RegTree& tree);

}  // namespace plat::posix
