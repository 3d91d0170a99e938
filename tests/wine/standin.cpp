// A stand-in application for the Windows tests: copied under a Windows
// executable's name, it only waits to be found, killed or left alone.
#include <windows.h>

int main() {
  for (int i = 0; i < 600; ++i) Sleep(1000);
  return 0;
}
