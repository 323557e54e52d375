// The portable part of the text conversions; ToAnsi is the platform's own.
#include "platform/Text.h"

namespace platform {

std::wstring Widen(const char* text) {
  std::wstring out;
  for (; text != nullptr && *text != '\0'; ++text) out.push_back(static_cast<unsigned char>(*text));
  return out;
}

std::wstring Hex(std::uint64_t value, std::size_t digits) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text(digits, L'0');
  for (std::size_t i = digits; i-- > 0; value >>= 4) text[i] = kDigits[value & 0xF];
  return text;
}

}  // namespace platform
