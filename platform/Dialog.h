// Modal message dialogs and the standard streams of a console process.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace platform {

namespace dialog {
// MessageBoxW uType flags that the program uses.
constexpr std::uint32_t Ok = 0x0;                // MB_OK
constexpr std::uint32_t IconError = 0x10;        // MB_ICONERROR
constexpr std::uint32_t IconInformation = 0x40;  // MB_ICONINFORMATION
constexpr std::uint32_t TaskModal = 0x2000;      // MB_TASKMODAL
}  // namespace dialog

// MessageBoxW(owner, text, caption, flags): returns the button chosen, or 0 when
// the dialog could not be shown. Without an owner the box is centred on the screen.
int ShowMessageBox(Handle owner, const std::wstring& text, const std::wstring& caption,
                   std::uint32_t flags);

// True when the running executable is a console program (its image subsystem),
// whether or not a console is attached now.
bool IsConsole();

// Writes text unchanged to the standard output / error stream.
void WriteStdOut(const std::wstring& text);
void WriteStdErr(const std::wstring& text);

}  // namespace platform
