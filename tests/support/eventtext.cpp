// eventtext EXE TEXT
// Formats event id 0 from EXE's message table with TEXT as its one insertion
// string, the way an event viewer shows an entry, and prints "text=[...]" in
// UTF-8. Exit 2 when EXE cannot be loaded, 3 when it has no such message.
#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <string>

// Called by the start-up code that -municode links in, which declares it nowhere.
int wmain(int argc, wchar_t** argv);
int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::printf("usage: eventtext EXE TEXT\n");
    return 1;
  }
  HMODULE module = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    std::printf("load failed: %lu\n", static_cast<unsigned long>(GetLastError()));
    return 2;
  }
  DWORD_PTR inserts[1] = {reinterpret_cast<DWORD_PTR>(argv[2])};
  wchar_t text[4096];
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, 0, 0,
                     text, 4096, reinterpret_cast<va_list*>(inserts));
  if (length == 0) {
    std::printf("no message: %lu\n", static_cast<unsigned long>(GetLastError()));
    return 3;
  }
  char utf8[3 * 4096 + 1];
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8,
                                        sizeof utf8 - 1, nullptr, nullptr);
  std::printf("text=[%.*s]\n", bytes, utf8);
  return 0;
}
#else
int main() { return 0; }  // Windows only
#endif
