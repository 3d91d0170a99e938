// The criteria language: texts and the trees they parse into.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "database/criteria_parser.h"

namespace {

const char* const kOps[] = {"?", "<", ">", "<=", ">=", "=", "!=", "and", "or"};

// A tree as text: comparisons as column op value, AND / OR nodes as
// (left op right); "none" for no tree.  Checks the parent links on the way.
std::string Show(const CriteriaNode* node, const CriteriaNode* parent = nullptr) {
  if (!node) return "none";
  if (node->parent != parent) return "BAD PARENT";
  if (node->operatorIndex == kOperatorAnd || node->operatorIndex == kOperatorOr) {
    if (node->columnName || node->value) return "BAD BOOLEAN NODE";
    return "(" + Show(node->left, node) + " " + kOps[node->operatorIndex] + " " +
           Show(node->right, node) + ")";
  }
  if (node->left || node->right) return "BAD LEAF";
  return std::string(node->columnName) + " " + kOps[node->operatorIndex] + " " + node->value;
}

std::string Parse(const std::string& text) {
  CriteriaNode* tree = ParseCriteria(text.c_str());
  std::string shown = Show(tree);
  FreeCriteriaTree(tree);
  return shown;
}

TEST(ParseCriteria, TextsAndTheirTrees) {
  struct Case {
    std::string text;
    std::string tree;
  };
  const std::vector<Case> cases = {
      {"x = 5", "x = 5"},
      {"x = 5 and y = 'a b'", "(x = 5 and y = 'a b')"},
      {"5 < x", "x < 5"},  // stored as written, never mirrored
      {"'abc' != name", "name != 'abc'"},
      {"a = 1 and b = 2 or c = 3", "(a = 1 and (b = 2 or c = 3))"},
      {"a = 1 or b = 2 and c = 3", "(a = 1 or (b = 2 and c = 3))"},
      {"(a = 1 and b = 2) or c = 3", "((a = 1 and b = 2) or c = 3)"},
      {"((x >= 1.25))", "x >= 1.25"},
      {"x<=7 and\ty>8", "(x <= 7 and y > 8)"},
      {"col_1 = 'it is; \"fine\" - really'", "col_1 = 'it is; \"fine\" - really'"},
      {"x = ''", "x = ''"},
      {"andy = 1", "andy = 1"},     // longest match: an identifier
      {"x = 1\ny = 2", "y = 2"},    // the last expression's tree
      {"x = 1\n", "x = 1"},         // an empty line is skipped
      {"x = 5 AND y = 6", "none"},  // capitals are identifiers
      {"x = 5 OR y = 6", "none"},
      {"x <> 1", "none"},  // "<" followed by ">"
      {"x = -1", "none"},
      {"t.col = 1", "none"},
      {"x = y", "none"},
      {"1 = 2", "none"},
      {"", "none"},
      {"   ", "none"},
      {"x = 'unterminated", "none"},
      {"x = 1.", "none"},
      {"x ! 1", "none"},
      {"x = 1 and", "none"},
      {"(x = 1", "none"},
      {"x = 1)", "none"},
      {"() ", "none"},
      {"x = 1 y = 2", "none"},
      {"x = 1\r", "none"},
      {"_x = 1", "none"},
      {"x = 1 and (y = 2 or z = 3", "none"},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.text), c.tree) << "text: " << c.text;
}

TEST(ParseCriteria, DeepInputIsRefusedAtTheStackLimitWithoutCrashing) {
  const std::string deep = std::string(100000, '(') + "x = 1" + std::string(100000, ')');
  EXPECT_EQ(Parse(deep), "none");
  // Well inside the limit nesting parses.
  const std::string nested = std::string(4000, '(') + "x = 1" + std::string(4000, ')');
  EXPECT_EQ(Parse(nested), "x = 1");
  // A long chain groups from the right and frees without recursion.
  std::string chain = "x0 = 0";
  for (int i = 1; i < 3000; ++i) chain += " and x" + std::to_string(i) + " = " + std::to_string(i);
  CriteriaNode* tree = ParseCriteria(chain.c_str());
  ASSERT_NE(tree, nullptr);
  int depth = 0;
  for (const CriteriaNode* n = tree; n->operatorIndex == kOperatorAnd; n = n->right) ++depth;
  EXPECT_EQ(depth, 2999);
  FreeCriteriaTree(tree);
  std::string tooLong = "x0 = 0";
  for (int i = 1; i < 6000; ++i) tooLong += " or x = 1";
  EXPECT_EQ(Parse(tooLong), "none");
}

TEST(ParseCriteria, ThreadsParseAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      const std::string text = "a = " + std::to_string(t) + " and (b = 'x' or c < 9)";
      const std::string want = "(a = " + std::to_string(t) + " and (b = 'x' or c < 9))";
      for (int i = 0; i < 2000; ++i) {
        if (Parse(text) != want) ++wrong[t];
        if (Parse("x <> 1") != "none") ++wrong[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int w : wrong) EXPECT_EQ(w, 0);
}

}  // namespace
