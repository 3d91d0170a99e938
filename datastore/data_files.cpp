#include "datastore/data_files.h"

#include "platform/platform.h"
#include "runtime/log.h"

std::string RelativeDataDirectory() {
  const std::string separator(1, plat::kPathSeparator);
  return ".." + separator + "data" + separator;
}

FILE* OpenRootedDataFile(const char* name, std::string* directory) {
  if (!gv_tavrixRoot) {
    LogError("No library root is set: %s cannot be looked for under it\n", name);
    return nullptr;
  }
  const std::string rooted = std::string(gv_tavrixRoot) + "/data/";
  if (directory) *directory = rooted;
  const std::string path = rooted + name;
  LogDebug("Opening %s\n", path.c_str());
  return fopen(path.c_str(), "r");
}
