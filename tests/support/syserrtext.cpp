// Prints the system's message text for an error code, trimmed the way the
// service host trims it (trailing blanks, control characters and full stops
// dropped), so a test can compare an entry with what the system says without
// hard-coding one system's wording.   syserrtext.exe 1063
#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

// Called by the start-up code that -municode links in, which declares it nowhere.
int wmain(int argc, wchar_t** argv);
int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: syserrtext.exe CODE\n");
    return 2;
  }
  const DWORD code = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10));
  wchar_t buffer[1024] = {};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buffer, sizeof buffer / sizeof buffer[0], nullptr);
  std::wstring text(buffer, n);
  while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
  std::string utf8(text.size() * 4 + 1, '\0');
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0],
                                  static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
  std::printf("%s\n", utf8.c_str());
  return 0;
}
#else
// The system message table is a Windows thing; nothing to print natively.
int main() { return 0; }
#endif
