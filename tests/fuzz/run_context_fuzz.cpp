// Fuzz target: any argument vector (the input split at NUL bytes) through
// the real command-line parser of a run; the settings must be exactly what
// a plain reading of the words gives: an option letter takes the next word,
// an option without a value at the end is ignored, anything else is
// skipped.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "precheck/run_context.h"
#include "runtime/log.h"

namespace {

bool Check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "parser and model differ on %s\n", what);
    abort();
  }
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool logged = [] {
    InitLogDefaults();
    SetLogParams("null", "/dev", 0, nullptr, 1);
    return OpenLogFile();
  }();
  (void)logged;
  if (size > 4096) return 0;
  std::vector<std::string> words = {"hvprecheck.exe"};
  std::string word;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word.push_back(static_cast<char>(data[i]));
    }
  }
  words.push_back(word);
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());

  RunContext ctx;
  ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &ctx);

  // The model.
  std::string name;
  bool hasName = false;
  std::deque<std::string> exes, switches;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w.size() < 2 || w[0] != '-' || !std::strchr("cefknpsx", w[1])) continue;
    if (i + 1 >= words.size()) break;
    const std::string& value = words[++i];
    if (w[1] == 'n') {
      name = value;
      hasName = true;
    } else if (w[1] == 'e') {
      exes.push_back(value);
    } else if (w[1] == 's') {
      switches.push_back(value);
    }
  }
  Check(ctx.productName.has_value() == hasName, "-n present");
  Check(!hasName || *ctx.productName == name, "-n value");
  Check(ctx.listOfExe == exes, "-e values");
  Check(ctx.uninstallSwitches == switches, "-s values");
  Check(ctx.RegKeyPath.empty() || ctx.RegKeyPath.rfind(kUninstallKeyPrefix, 0) == 0, "-k path");
  return 0;
}
