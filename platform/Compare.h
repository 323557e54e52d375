// Comparison of names the way the system compares them.
#pragma once

#include <string>

namespace platform {

// CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, b) == CSTR_EQUAL,
// both strings whole.
bool SameTextIgnoreCase(const std::wstring& a, const std::wstring& b);

// CompareStringOrdinal(a, b, ignore case) == CSTR_EQUAL: how the file system
// compares path names, whatever the user's locale.
bool SamePathIgnoreCase(const std::wstring& a, const std::wstring& b);

}  // namespace platform
