// A driver setup library for the SQLite ODBC driver in the tests.  The ODBC
// installer creates a data source by handing its attributes to the setup
// library of the data source's driver (ConfigDSN), and no driver package
// here ships one.  This one writes the data source the way setup libraries
// do: the section and its driver, then each KEY=value pair as given.
#include <odbcinst.h>

#include <cstring>
#include <string>

extern "C" __attribute__((visibility("default"))) BOOL ConfigDSN(HWND, WORD request, LPCSTR driver,
                                                                 LPCSTR attributes) {
  if (request != ODBC_ADD_DSN || !driver || !attributes) return 0;
  std::string dsn;
  for (const char* pair = attributes; *pair; pair += strlen(pair) + 1) {
    if (strncmp(pair, "DSN=", 4) == 0) dsn = pair + 4;
  }
  if (dsn.empty() || !SQLWriteDSNToIni(dsn.c_str(), driver)) return 0;
  for (const char* pair = attributes; *pair; pair += strlen(pair) + 1) {
    const char* equals = strchr(pair, '=');
    if (!equals || strncmp(pair, "DSN=", 4) == 0) continue;
    const std::string key(pair, equals);
    if (!SQLWritePrivateProfileString(dsn.c_str(), key.c_str(), equals + 1, "odbc.ini")) {
      return 0;
    }
  }
  return 1;
}
