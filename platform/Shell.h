// The Windows shell's launch of a program or document (ShellExecuteW).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/ProcessWatch.h"

namespace platform {

namespace shell {
// nShowCmd values.
constexpr std::int32_t ShowHide = 0;    // SW_HIDE
constexpr std::int32_t ShowNormal = 1;  // SW_SHOWNORMAL
// The shell's answer: above this it accepted the launch; at or below it the
// value is its error code (0: out of memory, 2 file not found, 3 path not
// found, 5 access denied, 8 out of memory, 31 no association, ...).
constexpr std::intptr_t LastErrorResult = 32;
}  // namespace shell

// ShellExecuteW(owner, verb, file, parameters, directory, show). A nullopt text
// is passed as a null pointer, an empty one as a pointer to an empty string.
// Returns the shell's value as a pointer-sized integer; the launch is not waited for.
std::intptr_t ShellExecute(Handle owner, const std::optional<std::wstring>& verb,
                           const std::wstring& file, const std::optional<std::wstring>& parameters,
                           const std::optional<std::wstring>& directory, std::int32_t showCommand);

// What ShellExecuteEx gives back.
struct ShellExecuteResult {
  // hInstApp: above LastErrorResult when the shell accepted the launch, else
  // its error code, as ShellExecute would have returned.
  std::intptr_t InstApp = 0;
  // The started process; empty when the launch failed or the shell started
  // none of its own (an open instance took the document over).
  ProcessHandle Process;
};

// ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS (the process handle is kept)
// and SEE_MASK_FLAG_NO_UI (a service has nobody to answer the shell's boxes);
// no owner window and the default verb. The launch is not waited for.
ShellExecuteResult ShellExecuteEx(const std::wstring& file,
                                  const std::optional<std::wstring>& parameters,
                                  const std::optional<std::wstring>& directory,
                                  std::int32_t showCommand);

}  // namespace platform
