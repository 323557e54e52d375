// Conversions between the program's UTF-16 text and the system's 8-bit text.
#pragma once

#include <string>

namespace platform {

// Text in the system's ANSI code page (WideCharToMultiByte, CP_ACP), with the
// platform's default for characters the code page lacks. The stand-in's code
// page is Windows-1252, with '?' for what it lacks.
std::string ToAnsi(const std::wstring& text);

}  // namespace platform
