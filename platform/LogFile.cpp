// Portable on purpose: the walk up the parents needs only the two primitives.
#include "platform/LogFile.h"

#include "platform/Path.h"

namespace platform {

bool ForceDirectories(const std::wstring& path) {
  std::wstring folder = path;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  if (folder.empty() || DirectoryExists(folder)) return true;
  const std::size_t separator = LastDelimiter(folder);
  if (separator != std::wstring::npos) {
    // "C:\A" has the parent "C:", and "C:A" too: the drive keeps its colon.
    const std::wstring parent =
        folder.substr(0, folder[separator] == L':' ? separator + 1 : separator);
    if (!parent.empty() && parent.size() < folder.size()) ForceDirectories(parent);
  }
  return MakeDirectory(folder) || DirectoryExists(folder);
}

}  // namespace platform
