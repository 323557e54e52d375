#include "platform/Text.h"

#include <cstdint>

namespace platform {

namespace {
// Windows-1252 bytes 0x80..0x9F; zero where the code page maps the C1 control
// of the same number instead (0x81, 0x8D, 0x8F, 0x90, 0x9D).
constexpr char16_t kHighBlock[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToWindows1252(std::uint32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  if (c < 0xA0) return kHighBlock[c - 0x80] == 0 ? static_cast<char>(c) : '?';
  for (std::uint32_t i = 0; i < 32; ++i)
    if (kHighBlock[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}
}  // namespace

std::string ToAnsi(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) out.push_back(ToWindows1252(static_cast<std::uint32_t>(c)));
  return out;
}

}  // namespace platform
