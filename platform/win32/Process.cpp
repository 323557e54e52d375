#include "platform/Process.h"

#include <windows.h>

#include <vector>

namespace platform {

std::wstring ModuleFileName() {
  // Grow until the whole path fits: long paths are not cut at MAX_PATH.
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return std::wstring();
    if (length < size - 1) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 65536) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring CommandLine() {
  const wchar_t* line = ::GetCommandLineW();
  return line ? std::wstring(line) : std::wstring();
}

std::uint32_t CurrentThreadId() { return ::GetCurrentThreadId(); }

}  // namespace platform
