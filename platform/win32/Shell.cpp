#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

// The seam's name, not the header's macro for ShellExecuteW.
#undef ShellExecute
#undef ShellExecuteEx

#include "platform/Shell.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Support.h"

namespace platform {

namespace {
using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
using ShellExecuteExFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
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

ShellExecuteResult ShellExecuteEx(const std::wstring& file,
                                  const std::optional<std::wstring>& parameters,
                                  const std::optional<std::wstring>& directory,
                                  std::int32_t showCommand) {
  static const auto shellExecuteEx =
      win32::SystemFunctionAs<ShellExecuteExFn>(L"shell32.dll", "ShellExecuteExW");
  ShellExecuteResult result;
  if (shellExecuteEx == nullptr) {
    result.InstApp = SE_ERR_DLLNOTFOUND;
    return result;
  }
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = file.c_str();
  info.lpParameters = win32::TextOrNull(parameters);
  info.lpDirectory = win32::TextOrNull(directory);
  info.nShow = showCommand;
  const BOOL ok = shellExecuteEx(&info);
  const DWORD error = ::GetLastError();
  result.InstApp = reinterpret_cast<std::intptr_t>(info.hInstApp);
  // A failure with no code of the shell's own still must not read as success.
  if (!ok && result.InstApp > shell::LastErrorResult) result.InstApp = 0;
  if (ok && info.hProcess != nullptr) result.Process.Reset(reinterpret_cast<Handle>(info.hProcess));
  ::SetLastError(error);
  return result;
}

}  // namespace platform
