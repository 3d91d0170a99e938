#include "platform/posix/command_line.h"

namespace plat::posix {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<ProgramChoice> ProgramCandidates(std::string_view command_line) {
  std::vector<ProgramChoice> out;
  size_t i = 0;
  while (i < command_line.size() && IsBlank(command_line[i])) ++i;
  std::string_view text = command_line.substr(i);
  if (text.empty()) return out;
  if (text.front() == '"') {
    size_t close = text.find('"', 1);
    std::string program(text.substr(1, close == std::string_view::npos ? text.npos : close - 1));
    std::string rest = close == std::string_view::npos ? "" : std::string(text.substr(close + 1));
    out.push_back({program, rest});
    return out;
  }
  for (size_t pos = 0; pos <= text.size(); ++pos) {
    if (pos == text.size() || IsBlank(text[pos])) {
      if (pos > 0 && !IsBlank(text[pos - 1])) {
        out.push_back({std::string(text.substr(0, pos)), std::string(text.substr(pos))});
      }
    }
  }
  return out;
}

std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = text.size();
  while (true) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(text[i]))) {
      if (text[i] == '\\') {
        size_t count = 0;
        while (i < n && text[i] == '\\') ++count, ++i;
        if (i < n && text[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) {
            arg.push_back('"');
            ++i;
          }
        } else {
          arg.append(count, '\\');
        }
        continue;
      }
      if (text[i] == '"') {
        if (quoted && i + 1 < n && text[i + 1] == '"') {
          arg.push_back('"');
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
        continue;
      }
      arg.push_back(text[i++]);
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace plat::posix
