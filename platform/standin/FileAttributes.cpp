// The host's file kinds in Windows' terms: a folder is a directory, anything
// that is neither a folder nor a regular file (a pipe, a socket, a device
// node) is a device. A link is taken for what it points to: on Windows a link
// to a folder carries the directory bit too, and one to a file does not.
#include "platform/FileAttributes.h"

#include <errno.h>
#include <sys/stat.h>

#include "platform/Platform.h"
#include "platform/standin/Internal.h"
#include "platform/standin/Paths.h"

namespace platform {

std::optional<std::uint32_t> FileAttributesOf(const std::wstring& path) {
  if (standin::Fails("GetFileAttributesW")) return std::nullopt;
  const std::string host = standin::ToHostPath(path);
  struct stat info {};
  if (host.empty() || ::stat(host.c_str(), &info) != 0) {
    SetLastError(errno == ENOENT ? error::FileNotFound : error::PathNotFound);
    return std::nullopt;
  }
  if (S_ISDIR(info.st_mode)) return fileattr::Directory;
  if (S_ISREG(info.st_mode)) return fileattr::Normal;
  return fileattr::Device;
}

}  // namespace platform
