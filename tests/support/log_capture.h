// A log opened at a chosen level in a temporary directory for one test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/log.h"
#include "tests/support/test_support.h"

namespace hvtest {

class LogCapture {
 public:
  explicit LogCapture(const std::string& dir, uint8_t level = 3) : path_(dir + "/test.log") {
    InitLogDefaults();
    SetLogParams("test.log", dir.c_str(), 0, nullptr, level);
    OpenLogFile();
    Take();  // the open line
  }
  ~LogCapture() {
    CloseLogFile();
    FreeLogParams();
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Everything written since the last call (Windows writes the log as
  // text, its line ends read back as "\n").
  std::string Take() {
    std::string all = ReadFile(path_);
    std::string fresh = all.substr(seen_ < all.size() ? seen_ : all.size());
    seen_ = all.size();
#if defined(_WIN32)
    std::string lines;
    for (size_t i = 0; i < fresh.size(); ++i) {
      if (fresh[i] != '\r' || i + 1 >= fresh.size() || fresh[i + 1] != '\n') {
        lines.push_back(fresh[i]);
      }
    }
    return lines;
#else
    return fresh;
#endif
  }

 private:
  std::string path_;
  size_t seen_ = 0;
};

}  // namespace hvtest
