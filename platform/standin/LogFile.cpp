// Windows share modes modelled with flock: a lock belongs to one open file
// description, so two opens conflict even inside one process, as two handles
// do on Windows. Readers take no lock and are never refused.
#include "platform/LogFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/standin/Internal.h"
#include "platform/standin/Paths.h"

namespace platform {

namespace {
// Longest path an open accepts without the long-path prefix (MAX_PATH less the null).
constexpr std::size_t kMaxPath = 259;

std::uint32_t ErrorOf(int code) {
  switch (code) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
      return error::PathNotFound;
    case EEXIST:
      return error::AlreadyExists;
    case EWOULDBLOCK:
      return error::SharingViolation;
    case ENOMEM:
      return error::NotEnoughMemory;
    default:
      return error::AccessDenied;
  }
}

// Only absolute host paths name something here; "C:\..." has no drive to live on.
bool HostPath(const std::wstring& path, std::string& host) {
  host = standin::ToHostPath(path);
  return !host.empty() && host[0] == '/';
}
}  // namespace

std::unique_ptr<LogFile> LogFile::OpenExclusive(const std::wstring& path) {
  if (standin::Fails("CreateFileW")) return nullptr;
  std::string host;
  if (path.size() > kMaxPath || !HostPath(path, host)) {
    SetLastError(error::PathNotFound);
    return nullptr;
  }
  // The object first: once the descriptor is open, nothing can throw before it is owned.
  std::unique_ptr<LogFile> file(new LogFile(static_cast<Handle>(-1)));
  const int fd = ::open(host.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetLastError(ErrorOf(errno));
    return nullptr;
  }
  file->FHandle = static_cast<Handle>(fd);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int code = errno;
    file.reset();
    SetLastError(ErrorOf(code));
    return nullptr;
  }
  return file;
}

LogFile::~LogFile() {
  if (FHandle != static_cast<Handle>(-1)) ::close(static_cast<int>(FHandle));
}

bool LogFile::Write(const std::string& bytes) {
  if (standin::Fails("WriteFile")) return false;
  const int fd = static_cast<int>(FHandle);
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      SetLastError(written < 0 ? ErrorOf(errno) : error::AccessDenied);
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

bool DirectoryExists(const std::wstring& path) {
  if (standin::Fails("GetFileAttributesW")) return false;
  std::string host;
  struct stat info;
  return HostPath(path, host) && ::stat(host.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeDirectory(const std::wstring& path) {
  if (standin::Fails("CreateDirectoryW")) return false;
  std::string host;
  if (!HostPath(path, host)) {
    SetLastError(error::PathNotFound);
    return false;
  }
  if (::mkdir(host.c_str(), 0755) != 0) {
    SetLastError(ErrorOf(errno));
    return false;
  }
  return true;
}

}  // namespace platform
