// The stand-in keeps the program's view of paths Windows-like: the logic always
// sees backslashes, and only this layer turns them into the host's slashes.
#pragma once

#include <string>

namespace platform::standin {

// "\tmp\app\log\x.txt" -> "/tmp/app/log/x.txt", as UTF-8.
std::string ToHostPath(const std::wstring& path);
// "/tmp/app/x" -> "\tmp\app\x".
std::wstring FromHostPath(const std::string& path);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace platform::standin
