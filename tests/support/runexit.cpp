// Starts one command line, waits for it and prints its whole exit code.
// Linux sees a Windows process's exit code cut to 8 bits (1073 arrives as 49);
// this helper reads it with GetExitCodeProcess instead.
//   runexit.exe "C:\path with blanks\prog.exe" /SWITCH ...
// Everything after runexit's own name is passed on unchanged as the child's
// command line. Prints "exit=<code>"; exits 0, or 2 when the start failed.
#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The rest of our own command line after the first argument, taken raw so the
// caller's quoting reaches the child as written.
std::wstring ChildCommandLine() {
  const wchar_t* p = GetCommandLineW();
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

}  // namespace

// Called by the start-up code that -municode links in, which declares it nowhere.
int wmain();
int wmain() {
  std::wstring command = ChildCommandLine();
  if (command.empty()) {
    std::fprintf(stderr, "usage: runexit.exe COMMAND LINE\n");
    return 2;
  }
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  BOOL created = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &si, &pi);
  // Wine, rarely (once in 15 full e2e runs here), fails a creation with 1359:
  // the new process ended, with no code, before it reported its start, so the
  // program's main never ran. Once more, and said; any other failure, or a
  // second one, stands.
  if (!created && GetLastError() == ERROR_INTERNAL_ERROR) {
    std::fprintf(stderr, "runexit: CreateProcessW failed with 1359; once more\n");
    Sleep(200);
    created = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &si, &pi);
  }
  if (!created) {
    std::fprintf(stderr, "runexit: CreateProcessW failed with %lu\n", GetLastError());
    return 2;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::printf("exit=%lu\n", code);
  std::fflush(stdout);
  return 0;
}
#else
// Exit codes are only cut on the Linux side of Wine; nothing to do natively.
int main() { return 0; }
#endif
