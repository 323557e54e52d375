// DLLs come from System32 only. The process restricts its DLL search first
// thing, and what it does not need at start (the shell, COM) is loaded from
// System32 on first use, so the import table names only kernel32, user32,
// advapi32 and the C runtime: a DLL planted beside the executable under the
// name of one of theirs is never loaded into the service.
#pragma once

#include <windows.h>

namespace platform::win32 {

// SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) and SetDllDirectoryW(L"").
// Windows 7 without KB2533623 lacks the first; the second still drops the
// current folder there.
void RestrictDllSearch();

// A function of a System32 DLL, the DLL loaded on the first call and kept for
// the process's life; null when either cannot be had.
FARPROC SystemFunction(const wchar_t* dll, const char* name);

template <class F>
F SystemFunctionAs(const wchar_t* dll, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(SystemFunction(dll, name)));
}

}  // namespace platform::win32
