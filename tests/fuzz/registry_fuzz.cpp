// Fuzz target: any bytes either fail to parse as a registry file or parse
// into a tree whose text form parses again to the same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "platform/posix/registry_tree.h"
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  plat::posix::RegTree tree;
  std::string err;
  if (!plat::posix::ParseRegistryFile(in, &tree, &err)) return 0;
  std::string text = plat::posix::SerializeRegistry(tree);
  plat::posix::RegTree again;
  if (!plat::posix::ParseRegistryFile(text, &again, &err)) {
    fprintf(stderr, "reparse failed: %s\n%s\n", err.c_str(), text.c_str());
    abort();
  }
  if (plat::posix::SerializeRegistry(again) != text) {
    fprintf(stderr, "the text form is not stable\n");
    abort();
  }
  return 0;
}
