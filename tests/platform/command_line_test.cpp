#include "platform/posix/command_line.h"

#include <gtest/gtest.h>

namespace {

using plat::posix::ProgramCandidates;
using plat::posix::SplitArguments;
using Args = std::vector<std::string>;

TEST(SplitArgumentsTest, WindowsRules) {
  struct Case {
    const char* text;
    Args args;
  } cases[] = {
      {"", {}},
      {"  a   b\tc ", {"a", "b", "c"}},
      {"\"two words\" x", {"two words", "x"}},
      {"a\\\"b", {"a\"b"}},                  // 2n+1 backslashes: a literal quote
      {"a\\\\\"b c\"", {"a\\b c"}},          // 2n backslashes: n, and the quote opens
      {"C:\\dir\\file", {"C:\\dir\\file"}},  // backslashes elsewhere are literal
      {"\"a\"\"b\"", {"a\"b"}},              // "" inside quotes is a quote
      {"/X{1234-AB} /qn ALLUSERS=1", {"/X{1234-AB}", "/qn", "ALLUSERS=1"}},
      {"\"\"", {""}},
      {"\"unterminated arg", {"unterminated arg"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitArguments(c.text), c.args) << c.text;
}

TEST(ProgramCandidatesTest, QuotedAndUnquotedNames) {
  auto quoted = ProgramCandidates("\"C:\\Program Files\\a.exe\" /S");
  ASSERT_EQ(quoted.size(), 1u);
  EXPECT_EQ(quoted[0].program, "C:\\Program Files\\a.exe");
  EXPECT_EQ(quoted[0].rest, " /S");
  auto plain = ProgramCandidates("C:\\Program Files\\a.exe /S");
  ASSERT_EQ(plain.size(), 3u);
  EXPECT_EQ(plain[0].program, "C:\\Program");
  EXPECT_EQ(plain[1].program, "C:\\Program Files\\a.exe");
  EXPECT_EQ(plain[1].rest, " /S");
  EXPECT_TRUE(ProgramCandidates("   ").empty());
}

}  // namespace
