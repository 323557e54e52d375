#include <windows.h>

#include "platform/Platform.h"
#include "platform/win32/Win32Support.h"

namespace platform {

std::uint32_t LastError() { return ::GetLastError(); }

void SetLastError(std::uint32_t code) { ::SetLastError(code); }

std::wstring SystemMessage(std::uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  // Owned before the copy below, which may throw.
  const win32::UniqueLocal owner(buffer);
  std::wstring text;
  if (buffer) text.assign(buffer, length);
  return text;
}

}  // namespace platform
