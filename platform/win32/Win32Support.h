// What the Win32 layer's sources share and nothing above the seam sees: owners
// for the handles they hold only for the length of a call, and the mapping of
// nullable texts onto the API's pointers.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/UniqueHandle.h"

namespace platform::win32 {

// A file handle from CreateFileW, which fails with INVALID_HANDLE_VALUE, not null.
struct FileTraits {
  using Value = HANDLE;
  static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Value value) noexcept { ::CloseHandle(value); }
};
using UniqueFile = UniqueHandle<FileTraits>;

// Memory that the system allocated for the caller (FORMAT_MESSAGE_ALLOCATE_BUFFER).
struct LocalTraits {
  using Value = HLOCAL;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value value) noexcept { ::LocalFree(value); }
};
using UniqueLocal = UniqueHandle<LocalTraits>;

// A registry key from RegCreateKeyExW.
struct RegistryKeyTraits {
  using Value = HKEY;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value value) noexcept { ::RegCloseKey(value); }
};
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;

// A nullopt text as a null pointer, an empty one as a pointer to an empty string:
// the API tells the two apart.
inline const wchar_t* TextOrNull(const std::optional<std::wstring>& text) {
  return text ? text->c_str() : nullptr;
}

}  // namespace platform::win32
