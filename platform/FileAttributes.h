// What a path names on disk, as the file system tells it (GetFileAttributesW).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

namespace fileattr {
// The attribute bits a caller tells things apart by.
constexpr std::uint32_t Directory = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
constexpr std::uint32_t Device = 0x40;     // FILE_ATTRIBUTE_DEVICE
constexpr std::uint32_t Normal = 0x80;     // FILE_ATTRIBUTE_NORMAL: a file with no other bit
}  // namespace fileattr

// GetFileAttributesW(path): the attribute bits of what path names; nullopt,
// with LastError() set, when it names nothing (2 or 3) or cannot be asked about.
std::optional<std::uint32_t> FileAttributesOf(const std::wstring& path);

}  // namespace platform
