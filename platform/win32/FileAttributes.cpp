#include "platform/FileAttributes.h"

#include <windows.h>

namespace platform {

std::optional<std::uint32_t> FileAttributesOf(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return static_cast<std::uint32_t>(attributes);
}

}  // namespace platform
