#include "platform/win32/SystemLibrary.h"

#include <string>

#include "platform/Process.h"

namespace platform::win32 {

namespace {
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

bool DefaultDirectoriesRestricted() {
  // Read from kernel32 at run time: a static import would keep the program
  // from loading at all where the function is missing.
  static const bool restricted = [] {
    auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    return set != nullptr && set(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
  }();
  return restricted;
}

HMODULE LoadFromSystem32(const wchar_t* dll) {
  if (DefaultDirectoriesRestricted())
    return ::LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // No search restriction to lean on: name the file by its full System32 path.
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return ::LoadLibraryW((std::wstring(folder, length) + L"\\" + dll).c_str());
}
}  // namespace

void RestrictDllSearch() {
  DefaultDirectoriesRestricted();
  ::SetDllDirectoryW(L"");
}

FARPROC SystemFunction(const wchar_t* dll, const char* name) {
  // Never freed: the functions stay callable until the process ends, from any thread.
  const HMODULE module = LoadFromSystem32(dll);
  return module != nullptr ? ::GetProcAddress(module, name) : nullptr;
}

}  // namespace platform::win32

namespace platform {
void RestrictDllSearch() { win32::RestrictDllSearch(); }
}  // namespace platform
