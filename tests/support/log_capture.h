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

  // Everything written since the last call.
  std::string Take() {
    std::string all = ReadFile(path_);
    std::string fresh = all.substr(seen_ < all.size() ? seen_ : all.size());
    seen_ = all.size();
    return fresh;
  }

 private:
  std::string path_;
  size_t seen_ = 0;
};

}  // namespace hvtest
