#include "platform/Compare.h"

#include <windows.h>

#include <climits>

namespace platform {

bool SameTextIgnoreCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() > static_cast<std::size_t>(INT_MAX) || b.size() > static_cast<std::size_t>(INT_MAX))
    return false;
  return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(),
                          static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool SamePathIgnoreCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() > static_cast<std::size_t>(INT_MAX) || b.size() > static_cast<std::size_t>(INT_MAX))
    return false;
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace platform
