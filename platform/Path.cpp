#include "platform/Path.h"

#include "platform/Process.h"

namespace platform {

std::size_t LastDelimiter(const std::wstring& path) { return path.find_last_of(L"\\:"); }

std::wstring FolderOf(const std::wstring& path) {
  const std::size_t cut = LastDelimiter(path);
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

std::wstring FileNameOf(const std::wstring& path) {
  const std::size_t cut = LastDelimiter(path);
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

std::wstring ExecutableFileName() { return FileNameOf(ModuleFileName()); }

std::wstring WithoutExtension(const std::wstring& fileName) {
  const std::size_t dot = fileName.rfind(L'.');
  return dot == std::wstring::npos ? fileName : fileName.substr(0, dot);
}

}  // namespace platform
