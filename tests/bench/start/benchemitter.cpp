// The emitter of the start benchmark, installed as divevezodoz.exe beside each
// service under test. First thing, it takes the system's precise time and
// writes it, with its process id, to "divevezodoz.stamp" in its own folder; the
// benchmark compares it with the time taken before the start request (Wine's
// clock is the host's, so both come from one clock).
#include <windows.h>

#include <cstdio>

namespace {
ULONGLONG PreciseNow() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const ULONGLONG started = PreciseNow();
  wchar_t path[MAX_PATH + 32];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  while (length > 0 && path[length - 1] != L'\\') --length;
  lstrcpyW(path + length, L"divevezodoz.stamp");
  char line[64];
  const int size = std::snprintf(line, sizeof line, "%llu %lu\r\n", started,
                                 static_cast<unsigned long>(GetCurrentProcessId()));
  // Written whole under a temporary name and then renamed: a reader never sees half a line.
  wchar_t partial[MAX_PATH + 40];
  lstrcpyW(partial, path);
  lstrcatW(partial, L".part");
  HANDLE file = CreateFileW(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, line, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(file);
  if (!ok || !MoveFileExW(partial, path, MOVEFILE_REPLACE_EXISTING)) return 1;
  return 0;
}
