// Fuzz target: the Windows command-line splitter of the POSIX execute.  Any
// text splits without fault; and any list of arguments (the input split at
// NUL bytes), written the way Windows programs quote their arguments,
// splits back into exactly that list.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/command_line.h"

namespace {

// One argument as a Windows command line carries it: quoted when empty or
// holding a blank or a quote; backslashes doubled where a quote follows.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t slashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    out.push_back(c);
  }
  out.append(slashes * 2, '\\');
  out.push_back('"');
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  plat::posix::SplitArguments(text);
  plat::posix::ProgramCandidates(text);

  std::vector<std::string> args(1);
  for (char c : text) {
    if (c == '\0') {
      args.emplace_back();
    } else {
      args.back().push_back(c);
    }
  }
  std::string line;
  for (const std::string& a : args) line += (line.empty() ? "" : " ") + Quote(a);
  const std::vector<std::string> back = plat::posix::SplitArguments(line);
  if (back != args) {
    fprintf(stderr, "split of [%s] gave %zu arguments, not %zu\n", line.c_str(), back.size(),
            args.size());
    abort();
  }
  return 0;
}
