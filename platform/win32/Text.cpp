#include "platform/Text.h"

#include <windows.h>

#include <climits>

namespace platform {

std::string ToAnsi(const std::wstring& text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return std::string();
  const int length = static_cast<int>(text.size());
  int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string out(static_cast<std::size_t>(size), '\0');
  size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, out.data(), size, nullptr, nullptr);
  out.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  return out;
}

}  // namespace platform
