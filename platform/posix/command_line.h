// Windows command lines on Linux: which program a command line names (as
// process creation reads it) and how the program's runtime splits the rest
// into arguments (quotes, and backslashes before quotes).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plat::posix {

struct ProgramChoice {
  std::string program;  // the program as named
  std::string rest;     // the text after it, holding the arguments
};

// The readings of the first token, in the order process creation tries them:
// a quoted name is read to its closing quote; an unquoted one at each blank
// in turn ("C:\Program Files\a.exe /S" tries "C:\Program", then
// "C:\Program Files\a.exe").
std::vector<ProgramChoice> ProgramCandidates(std::string_view command_line);

// The runtime's split of the arguments: blanks separate them; inside double
// quotes blanks are kept; 2n backslashes before a quote give n backslashes
// and the quote opens or closes; 2n+1 give n and a literal quote; "" inside
// quotes is a literal quote; other backslashes are literal.
std::vector<std::string> SplitArguments(std::string_view text);

}  // namespace plat::posix
