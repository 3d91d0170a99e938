// Process snapshots of the seam on Linux, from /proc.  A process's
// executable file name is the base name of its executable; one whose
// executable cannot be read is named after its command name.  Zombies have
// ended and are left out.
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/platform.h"

namespace plat {

namespace {

bool IsZombie(const std::string& dir) {
  std::ifstream stat(dir + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;  // gone already
  // "pid (comm) S ...": the state follows the last ')'.
  size_t close = line.rfind(')');
  return close == std::string::npos || close + 2 >= line.size() || line[close + 2] == 'Z' ||
         line[close + 2] == 'X';
}

std::string ExeName(const std::string& dir) {
  char target[4096];
  ssize_t n = readlink((dir + "/exe").c_str(), target, sizeof target - 1);
  if (n > 0) {
    std::string path(target, static_cast<size_t>(n));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0) {
      path.erase(path.size() - deleted.size());
    }
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
  }
  std::ifstream comm(dir + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

}  // namespace

bool ProcessSnapshot(std::vector<ProcessEntry>* entries) {
  entries->clear();
  DIR* proc = opendir("/proc");
  if (!proc) return false;
  while (dirent* e = readdir(proc)) {
    char* end = nullptr;
    unsigned long pid = std::strtoul(e->d_name, &end, 10);
    if (!end || *end != '\0' || pid == 0) continue;
    const std::string dir = std::string("/proc/") + e->d_name;
    if (IsZombie(dir)) continue;
    std::string name = ExeName(dir);
    if (name.empty()) continue;
    entries->push_back(ProcessEntry{static_cast<uint32_t>(pid), std::move(name)});
  }
  closedir(proc);
  return true;
}

}  // namespace plat
