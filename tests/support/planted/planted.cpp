// A DLL planted beside a program under the name of a system DLL: every process
// that loads it appends its own executable's path, one line each, to
// "<the DLL's path>.loaded", and nothing else happens.
#include <windows.h>

// Called by the loader, which declares it nowhere.
extern "C" BOOL WINAPI DllMain(HINSTANCE Instance, DWORD Reason, LPVOID Reserved);
extern "C" BOOL WINAPI DllMain(HINSTANCE Instance, DWORD Reason, LPVOID /*Reserved*/) {
  if (Reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t marker[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(Instance, marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcatW(marker, L".loaded");
  wchar_t program[MAX_PATH];
  const DWORD programLength = GetModuleFileNameW(nullptr, program, MAX_PATH);
  char line[3 * MAX_PATH + 2];
  int bytes = WideCharToMultiByte(CP_UTF8, 0, program, static_cast<int>(programLength), line,
                                  3 * MAX_PATH, nullptr, nullptr);
  line[bytes++] = '\n';
  HANDLE file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(bytes), &written, nullptr);
    CloseHandle(file);
  }
  return TRUE;
}
