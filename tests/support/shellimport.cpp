// The control of the DLL-planting test: a program that imports shell32 the
// ordinary way, as the service once did. Run beside a planted DLL, it shows
// that this Wine loads DLLs from a program's folder at all.
#ifdef _WIN32
#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

// Called by the start-up code that -municode links in, which declares it nowhere.
int wmain();
int wmain() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments != nullptr) LocalFree(arguments);
  return count > 0 ? 0 : 1;
}
#else
int main() { return 0; }  // Windows only
#endif
