#include "platform/posix/registry_tree.h"

#include <algorithm>
#include <cstdio>

#include "platform/posix/unicode.h"

namespace plat::posix {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

struct RootName {
  RegRoot root;
  std::string_view name;
};
// Export order of the predefined keys.
constexpr RootName kRootNames[] = {
    {kHkeyClassesRoot, "HKEY_CLASSES_ROOT"},     {kHkeyCurrentUser, "HKEY_CURRENT_USER"},
    {kHkeyLocalMachine, "HKEY_LOCAL_MACHINE"},   {kHkeyUsers, "HKEY_USERS"},
    {kHkeyCurrentConfig, "HKEY_CURRENT_CONFIG"},
};

int RootSlot(RegRoot root) {
  if (root < kHkeyClassesRoot || root > kHkeyCurrentConfig || root == 0x80000004u) return -1;
  return static_cast<int>(root - kHkeyClassesRoot);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted text starting at s[*pos] == '"'; regedit escapes only
// backslash and the double quote.
bool ReadQuoted(std::string_view s, size_t* pos, std::string* out) {
  size_t i = *pos + 1;
  out->clear();
  while (i < s.size()) {
    char c = s[i];
    if (c == '"') {
      *pos = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      out->push_back(s[i + 1]);
      i += 2;
      continue;
    }
    out->push_back(c);
    ++i;
  }
  return false;
}

bool ReadHexList(std::string_view list, std::string* bytes) {
  bytes->clear();
  list = TrimRight(TrimLeft(list));
  if (list.empty()) return true;
  size_t start = 0;
  while (true) {
    size_t comma = list.find(',', start);
    std::string_view token = TrimRight(
        TrimLeft(list.substr(start, comma == std::string_view::npos ? list.npos : comma - start)));
    if (token.empty() || token.size() > 2) return false;
    int value = 0;
    for (char c : token) {
      int d = HexDigit(c);
      if (d < 0) return false;
      value = value * 16 + d;
    }
    bytes->push_back(static_cast<char>(value));
    if (comma == std::string_view::npos) return true;
    start = comma + 1;
  }
}

std::string StringData(std::string_view utf8) {
  std::string data = Utf16ToLittleEndian(Utf8ToUtf16(utf8));
  data.append(2, '\0');
  return data;
}

void AppendQuoted(std::string* out, std::string_view text) {
  out->push_back('"');
  for (char c : text) {
    if (c == '\\' || c == '"') out->push_back('\\');
    out->push_back(c);
  }
  out->push_back('"');
}

// A REG_SZ value that the quoted form gives back byte for byte.
bool QuotedForm(const RegValue& value, std::string* text) {
  const std::string& d = value.data;
  if (value.type != kRegSz || d.size() < 2 || d.size() % 2 != 0) return false;
  if (d[d.size() - 1] != '\0' || d[d.size() - 2] != '\0') return false;
  std::u16string units =
      Utf16FromLittleEndian(reinterpret_cast<const uint8_t*>(d.data()), d.size() - 2);
  for (char16_t u : units) {
    if (u == 0 || u == '\r' || u == '\n') return false;
  }
  *text = Utf16ToUtf8(units);
  return Utf8ToUtf16(*text) == units;
}

void AppendValue(std::string* out, const RegValue& value) {
  size_t line_start = out->size();
  if (value.name.empty()) {
    out->push_back('@');
  } else {
    AppendQuoted(out, value.name);
  }
  out->push_back('=');
  std::string text;
  if (QuotedForm(value, &text)) {
    AppendQuoted(out, text);
  } else if (value.type == kRegDword && value.data.size() == 4) {
    const auto* b = reinterpret_cast<const uint8_t*>(value.data.data());
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x",
                  static_cast<unsigned>(b[0] | (b[1] << 8) | (b[2] << 16)) |
                      (static_cast<unsigned>(b[3]) << 24));
    out->append(buf);
  } else {
    char buf[32];
    if (value.type == kRegBinary) {
      std::snprintf(buf, sizeof buf, "hex:");
    } else {
      std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(value.type));
    }
    out->append(buf);
    size_t column = out->size() - line_start;
    for (size_t i = 0; i < value.data.size(); ++i) {
      std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(value.data[i]));
      out->append(buf);
      column += 2;
      if (i + 1 < value.data.size()) {
        out->push_back(',');
        ++column;
        if (column > 76) {
          out->append("\\\n  ");
          column = 2;
        }
      }
    }
  }
  out->push_back('\n');
}

void AppendNode(std::string* out, const RegNode& node, const std::string& path, bool is_root) {
  if (!is_root || !node.values().empty()) {
    out->append("[").append(path).append("]\n");
    for (const RegValue& v : node.values()) AppendValue(out, v);
    out->push_back('\n');
  }
  for (const auto& child : node.children()) {
    AppendNode(out, *child, path + "\\" + child->name(), false);
  }
}

bool DecodeFile(std::string_view bytes, std::string* utf8) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    *utf8 = Utf16ToUtf8(Utf16FromLittleEndian(reinterpret_cast<const uint8_t*>(bytes.data()) + 2,
                                              bytes.size() - 2));
    return true;
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF) {
    return false;  // big-endian UTF-16 is not what regedit writes
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  utf8->assign(bytes);
  return true;
}

}  // namespace

std::string FoldName(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::unique_ptr<RegNode> RegNode::Clone() const {
  auto copy = std::make_unique<RegNode>(name_);
  copy->values_ = values_;
  copy->children_.reserve(children_.size());
  for (const auto& child : children_) {
    copy->children_.push_back(child->Clone());
    copy->index_.emplace(FoldName(child->name_), copy->children_.back().get());
  }
  return copy;
}

RegNode* RegNode::FindChild(std::string_view name) const {
  auto it = index_.find(FoldName(name));
  return it == index_.end() ? nullptr : it->second;
}

RegNode* RegNode::AddChild(std::string_view name, bool* created) {
  std::string folded = FoldName(name);
  auto it = index_.find(folded);
  if (created) *created = it == index_.end();
  if (it != index_.end()) return it->second;
  children_.push_back(std::make_unique<RegNode>(std::string(name)));
  RegNode* child = children_.back().get();
  index_.emplace(std::move(folded), child);
  return child;
}

bool RegNode::RemoveChild(std::string_view name) {
  auto it = index_.find(FoldName(name));
  if (it == index_.end()) return false;
  RegNode* child = it->second;
  index_.erase(it);
  children_.erase(std::find_if(children_.begin(), children_.end(),
                               [child](const auto& c) { return c.get() == child; }));
  return true;
}

const RegValue* RegNode::FindValue(std::string_view name) const {
  std::string folded = FoldName(name);
  for (const RegValue& v : values_) {
    if (v.name.size() == folded.size() && FoldName(v.name) == folded) return &v;
  }
  return nullptr;
}

void RegNode::SetValue(std::string_view name, uint32_t type, std::string data) {
  if (const RegValue* found = FindValue(name)) {
    auto* v = const_cast<RegValue*>(found);
    v->type = type;
    v->data = std::move(data);
    return;
  }
  values_.push_back(RegValue{std::string(name), type, std::move(data)});
}

bool RegNode::RemoveValue(std::string_view name) {
  const RegValue* found = FindValue(name);
  if (!found) return false;
  values_.erase(values_.begin() + (found - values_.data()));
  return true;
}

RegTree::RegTree() {
  for (const RootName& r : kRootNames) {
    roots_[RootSlot(r.root)] = std::make_unique<RegNode>(std::string(r.name));
  }
}

std::unique_ptr<RegTree> RegTree::Clone() const {
  auto copy = std::make_unique<RegTree>();
  for (size_t i = 0; i < roots_.size(); ++i) {
    if (roots_[i]) copy->roots_[i] = roots_[i]->Clone();
  }
  return copy;
}

RegNode* RegTree::Root(RegRoot root) {
  int slot = RootSlot(root);
  return slot < 0 ? nullptr : roots_[slot].get();
}

const RegNode* RegTree::Root(RegRoot root) const {
  int slot = RootSlot(root);
  return slot < 0 ? nullptr : roots_[slot].get();
}

bool RootFromName(std::string_view name, RegRoot* root) {
  std::string folded = FoldName(name);
  for (const RootName& r : kRootNames) {
    if (FoldName(r.name) == folded) {
      *root = r.root;
      return true;
    }
  }
  return false;
}

int32_t SplitKeyPath(std::string_view path, std::vector<std::string>* names) {
  names->clear();
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (path.empty()) return kErrorSuccess;
  size_t start = 0;
  while (true) {
    size_t sep = path.find('\\', start);
    std::string_view name =
        path.substr(start, sep == std::string_view::npos ? path.npos : sep - start);
    if (name.empty()) return kErrorBadPathname;
    names->emplace_back(name);
    if (sep == std::string_view::npos) return kErrorSuccess;
    start = sep + 1;
  }
}

bool ParseRegistryFile(std::string_view bytes, RegTree* tree, std::string* error) {
  std::string text;
  if (!DecodeFile(bytes, &text)) {
    *error = "unsupported encoding";
    return false;
  }
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(std::string_view(text).substr(start, end - start));
    start = end + 1;
  }

  auto fail = [error](size_t line, const char* what) {
    *error = "line " + std::to_string(line + 1) + ": " + what;
    return false;
  };

  bool header = false;
  bool in_deleted = false;
  RegNode* current = nullptr;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = TrimRight(TrimLeft(lines[i]));
    if (line.empty()) continue;
    if (!header) {
      if (line != kHeader) return fail(i, "not a registry file");
      header = true;
      continue;
    }
    if (line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return fail(i, "unterminated key name");
      std::string_view path = line.substr(1, line.size() - 2);
      bool remove = !path.empty() && path.front() == '-';
      if (remove) path.remove_prefix(1);
      size_t sep = path.find('\\');
      RegRoot root;
      if (!RootFromName(path.substr(0, sep), &root)) return fail(i, "unknown root key");
      std::vector<std::string> names;
      if (sep != std::string_view::npos &&
          SplitKeyPath(path.substr(sep + 1), &names) != kErrorSuccess) {
        return fail(i, "empty key name");
      }
      RegNode* node = tree->Root(root);
      if (remove) {
        for (size_t k = 0; node && k + 1 < names.size(); ++k) node = node->FindChild(names[k]);
        if (node && !names.empty()) node->RemoveChild(names.back());
        current = nullptr;
        in_deleted = true;
        continue;
      }
      for (const std::string& name : names) node = node->AddChild(name);
      current = node;
      in_deleted = false;
      continue;
    }

    // A value line: "name"=data or @=data.
    std::string name;
    size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else if (line.front() == '"') {
      if (!ReadQuoted(line, &pos, &name)) return fail(i, "unterminated value name");
    } else {
      return fail(i, "unrecognised line");
    }
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') return fail(i, "missing '='");
    ++pos;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (!current) {
      if (in_deleted) continue;
      return fail(i, "value outside a key");
    }
    std::string_view data = line.substr(pos);
    if (data == "-") {
      current->RemoveValue(name);
      continue;
    }
    if (!data.empty() && data.front() == '"') {
      std::string value;
      size_t end = 0;
      if (!ReadQuoted(data, &end, &value) || !TrimLeft(data.substr(end)).empty()) {
        return fail(i, "bad string value");
      }
      current->SetValue(name, kRegSz, StringData(value));
      continue;
    }
    if (data.substr(0, 6) == "dword:") {
      std::string_view digits = data.substr(6);
      if (digits.empty() || digits.size() > 8) return fail(i, "bad dword value");
      uint32_t v = 0;
      for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0) return fail(i, "bad dword value");
        v = v * 16 + static_cast<uint32_t>(d);
      }
      std::string bytes4(4, '\0');
      for (int k = 0; k < 4; ++k) bytes4[k] = static_cast<char>((v >> (8 * k)) & 0xFF);
      current->SetValue(name, kRegDword, std::move(bytes4));
      continue;
    }
    if (data.substr(0, 3) == "hex") {
      uint32_t type = kRegBinary;
      size_t p = 3;
      if (p < data.size() && data[p] == '(') {
        size_t close = data.find(')', p);
        if (close == std::string_view::npos || close == p + 1 || close - p > 9) {
          return fail(i, "bad value type");
        }
        type = 0;
        for (size_t k = p + 1; k < close; ++k) {
          int d = HexDigit(data[k]);
          if (d < 0) return fail(i, "bad value type");
          type = type * 16 + static_cast<uint32_t>(d);
        }
        p = close + 1;
      }
      if (p >= data.size() || data[p] != ':') return fail(i, "bad hex value");
      // The list may go on over continuation lines ending in a backslash.
      std::string list(data.substr(p + 1));
      size_t first_line = i;
      while (!list.empty() && list.back() == '\\') {
        list.pop_back();
        if (++i >= lines.size()) return fail(first_line, "unterminated hex value");
        list.append(TrimRight(TrimLeft(lines[i])));
      }
      std::string bytes_out;
      if (!ReadHexList(list, &bytes_out)) return fail(first_line, "bad hex value");
      current->SetValue(name, type, std::move(bytes_out));
      continue;
    }
    return fail(i, "unrecognised value");
  }
  return true;
}

std::string SerializeRegistry(const RegTree& tree) {
  std::string out(kHeader);
  out.append("\n\n");
  for (const RootName& r : kRootNames) {
    AppendNode(&out, *tree.Root(r.root), std::string(r.name), true);
  }
  return out;
}

}  // namespace plat::posix
