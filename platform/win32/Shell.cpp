#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

// The seam's name, not the header's macro for ShellExecuteW.
#undef ShellExecute

#include "platform/Shell.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Support.h"

namespace platform {

namespace {
using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
}  // namespace

std::intptr_t ShellExecute(Handle owner, const std::optional<std::wstring>& verb,
                           const std::wstring& file, const std::optional<std::wstring>& parameters,
                           const std::optional<std::wstring>& directory, std::int32_t showCommand) {
  // shell32 (and all it pulls in) only when a launch happens, from System32.
  static const auto shellExecute =
      win32::SystemFunctionAs<ShellExecuteFn>(L"shell32.dll", "ShellExecuteW");
  if (shellExecute == nullptr) return SE_ERR_DLLNOTFOUND;
  HINSTANCE result =
      shellExecute(reinterpret_cast<HWND>(owner), win32::TextOrNull(verb), file.c_str(),
                   win32::TextOrNull(parameters), win32::TextOrNull(directory), showCommand);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace platform
