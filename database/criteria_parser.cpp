#include "database/criteria_parser.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum class Token {
  kAnd,
  kOr,
  kValue,
  kIdentifier,
  kOpen,
  kClose,
  kCompare,
  kLineFeed,
  kEnd,
  kError
};

// The parser's stack may hold this many entries, as the generated parser's
// does; deeper input is refused.
constexpr size_t kMaxStack = 10000;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Longest match first; a tie goes to the earlier rule of the token table.
class Scanner {
 public:
  explicit Scanner(const std::string& input) : input_(input) {}

  Token Next(std::string* text, uint8_t* comparison) {
    while (at_ < input_.size() && (input_[at_] == ' ' || input_[at_] == '\t')) ++at_;
    if (at_ >= input_.size()) return Token::kEnd;
    const char c = input_[at_];
    if (c == '\n') {
      ++at_;
      return Token::kLineFeed;
    }
    if (IsLetter(c)) {
      size_t end = at_ + 1;
      while (end < input_.size() &&
             (IsLetter(input_[end]) || IsDigit(input_[end]) || input_[end] == '_')) {
        ++end;
      }
      text->assign(input_, at_, end - at_);
      at_ = end;
      if (*text == "and") return Token::kAnd;
      if (*text == "or") return Token::kOr;
      return Token::kIdentifier;
    }
    if (IsDigit(c)) {
      size_t end = at_;
      while (end < input_.size() && IsDigit(input_[end])) ++end;
      if (end + 1 < input_.size() && input_[end] == '.' && IsDigit(input_[end + 1])) {
        end += 1;
        while (end < input_.size() && IsDigit(input_[end])) ++end;
      }
      text->assign(input_, at_, end - at_);
      at_ = end;
      return Token::kValue;
    }
    if (c == '\'') {
      const size_t close = input_.find('\'', at_ + 1);
      if (close == std::string::npos) return Token::kError;
      text->assign(input_, at_, close + 1 - at_);
      at_ = close + 1;
      return Token::kValue;
    }
    const char next = at_ + 1 < input_.size() ? input_[at_ + 1] : '\0';
    switch (c) {
      case '(':
        ++at_;
        return Token::kOpen;
      case ')':
        ++at_;
        return Token::kClose;
      case '<':
      case '>':
        *comparison = c == '<' ? (next == '=' ? kOperatorLessOrEqual : kOperatorLess)
                               : (next == '=' ? kOperatorGreaterOrEqual : kOperatorGreater);
        at_ += next == '=' ? 2 : 1;
        return Token::kCompare;
      case '=':
        *comparison = kOperatorEqual;
        ++at_;
        return Token::kCompare;
      case '!':
        if (next != '=') return Token::kError;
        *comparison = kOperatorNotEqual;
        at_ += 2;
        return Token::kCompare;
      default:
        return Token::kError;
    }
  }

 private:
  const std::string& input_;
  size_t at_ = 0;
};

char* Copy(const std::string& text) {
  char* copy = static_cast<char*>(malloc(text.size() + 1));
  if (copy) memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

CriteriaNode* NewLeaf(const std::string& column, const std::string& value, uint8_t comparison) {
  auto* node = static_cast<CriteriaNode*>(calloc(1, sizeof(CriteriaNode)));
  if (!node) return nullptr;
  node->columnName = Copy(column);
  node->value = Copy(value);
  node->operatorIndex = comparison;
  if (!node->columnName || !node->value) {
    FreeCriteriaTree(node);
    return nullptr;
  }
  return node;
}

// A stack entry: an open parenthesis, an operator waiting for its right
// side, or a finished expression.
struct Entry {
  enum Kind { kOpen, kAnd, kOr, kExpression } kind;
  CriteriaNode* node;
};

class Parser {
 public:
  ~Parser() {
    for (Entry& e : stack_) FreeCriteriaTree(e.node);
    FreeCriteriaTree(result_);
  }

  CriteriaNode* Run(const std::string& input) {
    Scanner scanner(input);
    std::string text;
    uint8_t comparison = 0;
    for (;;) {
      const Token token = scanner.Next(&text, &comparison);
      const bool afterExpression = !stack_.empty() && stack_.back().kind == Entry::kExpression;
      switch (token) {
        case Token::kEnd:
          if (!stack_.empty()) return nullptr;
          return Take();
        case Token::kLineFeed:
          // A line without an expression is skipped.
          if (stack_.empty()) break;
          if (!afterExpression || !Fold(false)) return nullptr;
          FreeCriteriaTree(result_);
          result_ = stack_.back().node;
          stack_.clear();
          break;
        case Token::kOpen:
          if (afterExpression || !Push({Entry::kOpen, nullptr}, 1)) return nullptr;
          break;
        case Token::kClose:
          if (!afterExpression || !Fold(true)) return nullptr;
          break;
        case Token::kAnd:
        case Token::kOr:
          if (!afterExpression) return nullptr;
          if (!Push({token == Token::kAnd ? Entry::kAnd : Entry::kOr, nullptr}, 1)) return nullptr;
          break;
        case Token::kIdentifier:
        case Token::kValue:
          if (afterExpression || !Comparison(&scanner, token, text)) return nullptr;
          break;
        case Token::kCompare:
        case Token::kError:
          return nullptr;
      }
    }
  }

 private:
  CriteriaNode* Take() {
    CriteriaNode* root = result_;
    result_ = nullptr;
    return root;
  }

  // Room for count more entries (besides the parser's start entry).
  bool Push(Entry entry, size_t count) {
    if (stack_.size() + 1 + count > kMaxStack) return false;
    stack_.push_back(entry);
    return true;
  }

  // IDENTIFIER comparison VALUE, or VALUE comparison IDENTIFIER (stored as
  // the first form, the operator kept as written).
  bool Comparison(Scanner* scanner, Token first, const std::string& firstText) {
    if (stack_.size() + 1 + 3 > kMaxStack) return false;
    std::string second;
    uint8_t comparison = 0;
    if (scanner->Next(&second, &comparison) != Token::kCompare) return false;
    const Token expected = first == Token::kIdentifier ? Token::kValue : Token::kIdentifier;
    uint8_t unused = 0;
    if (scanner->Next(&second, &unused) != expected) return false;
    CriteriaNode* leaf = first == Token::kIdentifier ? NewLeaf(firstText, second, comparison)
                                                     : NewLeaf(second, firstText, comparison);
    if (!leaf) return false;
    stack_.push_back({Entry::kExpression, leaf});
    return true;
  }

  // Folds the expressions and operators on top of the stack from the right
  // into one expression, down to an open parenthesis (removed) or, for a
  // line's end, to the bottom.
  bool Fold(bool toParenthesis) {
    CriteriaNode* right = stack_.back().node;
    stack_.pop_back();
    while (!stack_.empty() && stack_.back().kind != Entry::kOpen) {
      const Entry op = stack_.back();
      stack_.pop_back();
      CriteriaNode* left = stack_.back().node;  // an operator always follows an expression
      stack_.pop_back();
      auto* node = static_cast<CriteriaNode*>(calloc(1, sizeof(CriteriaNode)));
      if (!node) {
        FreeCriteriaTree(left);
        FreeCriteriaTree(right);
        return false;
      }
      node->operatorIndex = op.kind == Entry::kAnd ? kOperatorAnd : kOperatorOr;
      node->left = left;
      node->right = right;
      left->parent = node;
      right->parent = node;
      right = node;
    }
    const bool atParenthesis = !stack_.empty();
    if (atParenthesis != toParenthesis) {
      FreeCriteriaTree(right);
      return false;
    }
    if (atParenthesis) stack_.pop_back();
    stack_.push_back({Entry::kExpression, right});
    return true;
  }

  std::vector<Entry> stack_;
  CriteriaNode* result_ = nullptr;
};

}  // namespace

CriteriaNode* ParseCriteria(const char* text) {
  if (!text) return nullptr;
  const std::string input = std::string(text) + "\n";
  Parser parser;
  return parser.Run(input);
}

void FreeCriteriaTree(CriteriaNode* root) {
  // Without recursion: a tree may be thousands of levels deep.
  std::vector<CriteriaNode*> pending;
  if (root) pending.push_back(root);
  while (!pending.empty()) {
    CriteriaNode* node = pending.back();
    pending.pop_back();
    if (node->left) pending.push_back(node->left);
    if (node->right) pending.push_back(node->right);
    free(node->columnName);
    free(node->value);
    free(node);
  }
}
