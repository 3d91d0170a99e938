// The criteria text language of the in-memory store: comparisons of a
// column with a value (x = 5, name = 'a b', 5 < x), joined by "and" and
// "or" (equal precedence, grouped from the right) and parentheses, parsed
// into a tree that the store binds to a table's columns and evaluates.
#pragma once

#include <cstdint>

inline constexpr uint8_t kOperatorInvalid = 0;
inline constexpr uint8_t kOperatorLess = 1;
inline constexpr uint8_t kOperatorGreater = 2;
inline constexpr uint8_t kOperatorLessOrEqual = 3;
inline constexpr uint8_t kOperatorGreaterOrEqual = 4;
inline constexpr uint8_t kOperatorEqual = 5;
inline constexpr uint8_t kOperatorNotEqual = 6;
inline constexpr uint8_t kOperatorAnd = 7;
inline constexpr uint8_t kOperatorOr = 8;
inline constexpr uint8_t kOperatorLike = 9;
inline constexpr uint8_t kOperatorBetween = 10;

// A comparison (column name and value text as written, quotes kept) or an
// AND / OR node over two children.  columnIndex and columnType are filled by
// the store when it binds the tree to a table.
struct CriteriaNode {
  char* columnName;
  char* value;
  uint8_t operatorIndex;
  uint8_t columnIndex;
  uint8_t columnType;
  CriteriaNode* left;
  CriteriaNode* right;
  CriteriaNode* parent;
};

// The tree of the last expression of the text (expressions end at line
// feeds; one is added to the text), or none for an empty text, a syntax
// error, or nesting deeper than the parser's 10,000-entry stack.  Keeps no
// state between calls: threads may parse at once.  Free the tree with
// FreeCriteriaTree.
CriteriaNode* ParseCriteria(const char* text);
void FreeCriteriaTree(CriteriaNode* root);
