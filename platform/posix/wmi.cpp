// The one WMI query of the seam on Linux: the running processes' command
// lines from /proc/<pid>/cmdline (arguments joined by one blank), filtered
// by the query's LIKE pattern without regard to case.  Every COM step
// succeeds.
#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/platform.h"
#include "platform/posix/unicode.h"

struct plat::WmiObject {};

namespace plat {

namespace {

char16_t Fold(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// WQL LIKE: '%' any run, '_' one character, no regard to case.
bool Like(std::u16string_view text, std::u16string_view pattern) {
  size_t t = 0, p = 0, star = std::u16string_view::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == u'%') {
      star = p++;
      mark = t;
    } else if (p < pattern.size() && (pattern[p] == u'_' || Fold(pattern[p]) == Fold(text[t]))) {
      ++p;
      ++t;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'%') ++p;
  return p == pattern.size();
}

// The pattern of "... like '<pattern>'"; without one every process matches.
std::u16string PatternOf(std::u16string_view query) {
  std::u16string folded(query);
  for (char16_t& c : folded) c = Fold(c);
  size_t like = folded.find(u" like '");
  if (like == std::u16string::npos) return u"%";
  size_t start = like + 7;
  size_t end = query.find(u'\'', start);
  return std::u16string(
      query.substr(start, end == std::u16string_view::npos ? query.npos : end - start));
}

}  // namespace

int32_t ComInitializeMultithreaded() { return 0; }

void ComUninitialize() {}

int32_t WmiCreateLocator(WmiHandle* locator) {
  *locator = new WmiObject;
  return 0;
}

int32_t WmiConnectServer(WmiHandle /*locator*/, const char16_t* /*name_space*/,
                         WmiHandle* services) {
  *services = new WmiObject;
  return 0;
}

int32_t WmiSetProxyBlanket(WmiHandle /*services*/) { return 0; }

int32_t WmiQueryCommandLines(WmiHandle /*services*/, const char16_t* query,
                             std::vector<std::optional<std::u16string>>* command_lines) {
  command_lines->clear();
  const std::u16string pattern = PatternOf(query ? query : u"");
  DIR* proc = opendir("/proc");
  if (!proc) return 0;
  while (dirent* e = readdir(proc)) {
    char* end = nullptr;
    std::strtoul(e->d_name, &end, 10);
    if (!end || *end != '\0' || e->d_name[0] == '\0') continue;
    std::ifstream in(std::string("/proc/") + e->d_name + "/cmdline", std::ios::binary);
    std::stringstream raw;
    raw << in.rdbuf();
    std::string line = raw.str();
    while (!line.empty() && line.back() == '\0') line.pop_back();
    if (line.empty()) continue;  // kernel threads and zombies have none
    for (char& c : line) {
      if (c == '\0') c = ' ';
    }
    std::u16string wide = posix::Utf8ToUtf16(line);
    if (Like(wide, pattern)) command_lines->push_back(std::move(wide));
  }
  closedir(proc);
  return 0;
}

void WmiRelease(WmiHandle object) { delete object; }

}  // namespace plat
