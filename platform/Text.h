// Conversions between the program's UTF-16 text and other forms of text.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Text in the system's ANSI code page (WideCharToMultiByte, CP_ACP), with the
// platform's default for characters the code page lacks. The stand-in's code
// page is Windows-1252, with '?' for what it lacks.
std::string ToAnsi(const std::wstring& text);

// An 8-bit text (a C++ failure's what(), say) taken byte for byte as Latin-1;
// a null pointer gives the empty text.
std::wstring Widen(const char* text);

// `value` in upper-case hexadecimal, `digits` wide with leading zeros (the low
// digits only, when the value needs more).
std::wstring Hex(std::uint64_t value, std::size_t digits);

}  // namespace platform
