#include "tests/support/test_support.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace hvtest {

// A new directory of a name no other test (or process) uses, created
// exclusively: create_directory fails for a name already there.
TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const char* base = std::getenv("TMPDIR");
  const std::filesystem::path root =
      base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
  const auto seed =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::string name =
        "hvtest." + std::to_string(seed % 1000000007ULL) + "." + std::to_string(counter++);
    std::error_code ec;
    if (std::filesystem::create_directory(root / name, ec)) {
      path_ = (root / name).generic_string();
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  had_old_ = old != nullptr;
  if (old) old_ = old;
  Set(name, value);
}

ScopedEnv::~ScopedEnv() { Set(name_.c_str(), had_old_ ? old_.c_str() : nullptr); }

void ScopedEnv::Set(const char* name, const char* value) {
#if defined(_WIN32)
  _putenv_s(name, value ? value : "");
#else
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

void MakeDirs(const std::string& path) { std::filesystem::create_directories(path); }

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string TakeText(char* text) {
  std::string s = text ? text : "(none)";
  free(text);
  return s;
}

std::string FirstMissingInOrder(const std::string& text, const std::vector<std::string>& pieces) {
  size_t at = 0;
  for (const std::string& piece : pieces) {
    size_t found = text.find(piece, at);
    if (found == std::string::npos) return piece.empty() ? std::string("(empty piece)") : piece;
    at = found + piece.size();
  }
  return {};
}

size_t CountOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace hvtest
