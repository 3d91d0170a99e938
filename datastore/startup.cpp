// The library's life cycle.
#include "datastore/startup.h"

#include "runtime/log.h"

void SetTavrixRoot(const char* root) {
  LogTrace("\n\t@@@@@ Inside SetTavrixRoot() @@@@@ \n");
  gv_tavrixRoot = root;
}
