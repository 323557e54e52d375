#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

// The seam's name, not the header's macro for ShellExecuteW.
#undef ShellExecute

#include "platform/Shell.h"
#include "platform/win32/Win32Support.h"

namespace platform {

std::intptr_t ShellExecute(Handle owner, const std::optional<std::wstring>& verb,
                           const std::wstring& file, const std::optional<std::wstring>& parameters,
                           const std::optional<std::wstring>& directory, std::int32_t showCommand) {
  HINSTANCE result =
      ::ShellExecuteW(reinterpret_cast<HWND>(owner), win32::TextOrNull(verb), file.c_str(),
                      win32::TextOrNull(parameters), win32::TextOrNull(directory), showCommand);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace platform
