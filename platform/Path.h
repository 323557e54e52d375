// Windows path pieces, as the program names its own files: a path's folder ends
// at its last '\' or ':' (a drive's colon counts). Pure text work, the same on
// every build.
#pragma once

#include <string>

namespace platform {

// The folder of a path, its last delimiter kept ("C:\A\b.exe" -> "C:\A\");
// empty when the path has none.
std::wstring FolderOf(const std::wstring& path);

// The file name of a path, folder dropped ("C:\A\b.exe" -> "b.exe").
std::wstring FileNameOf(const std::wstring& path);

// A file name without its extension: up to its last '.' ("b.tar.gz" -> "b.tar").
std::wstring WithoutExtension(const std::wstring& fileName);

// The position of a path's last delimiter, or npos.
std::size_t LastDelimiter(const std::wstring& path);

}  // namespace platform
