#include "platform/Compare.h"

namespace platform {

namespace {
// Case folding of ASCII and Latin-1, enough for service names and switches.
wchar_t Fold(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 32);
  return c;
}
}  // namespace

bool SameTextIgnoreCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

}  // namespace platform
