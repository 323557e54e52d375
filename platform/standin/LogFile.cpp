// Windows share modes modelled with flock: a lock belongs to one open file
// description, so two opens conflict even inside one process, as two handles
// do on Windows. Readers take no lock and are never refused.
#include "platform/LogFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <mutex>
#include <optional>

#include "platform/standin/Internal.h"
#include "platform/standin/LogFile.h"
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

// The next write's short acceptance (a full volume), armed by the tests.
struct ShortWrite {
  std::size_t Accepted = 0;
  std::uint32_t Error = 0;
};
std::mutex gShortMutex;
std::optional<ShortWrite> gShortWrite;

std::function<bool(const std::wstring&)> gOpenHook;  // guarded by gShortMutex

std::optional<ShortWrite> TakeShortWrite() {
  std::lock_guard<std::mutex> lock(gShortMutex);
  std::optional<ShortWrite> taken = gShortWrite;
  gShortWrite.reset();
  return taken;
}

// Only absolute host paths name something here; "C:\..." has no drive to live on.
bool HostPath(const std::wstring& path, std::string& host) {
  host = standin::ToHostPath(path);
  return !host.empty() && host[0] == '/';
}
}  // namespace

std::unique_ptr<LogFile> LogFile::OpenExclusive(const std::wstring& path) {
  if (standin::Fails("CreateFileW")) return nullptr;
  std::function<bool(const std::wstring&)> hook;
  {
    std::lock_guard<std::mutex> lock(gShortMutex);
    hook = gOpenHook;
  }
  // Outside the lock: the hook is the test's code and may block.
  if (hook && hook(path)) {
    SetLastError(error::SharingViolation);
    return nullptr;
  }
  std::string host;
  if (path.size() > kMaxPath || !HostPath(path, host)) {
    SetLastError(error::PathNotFound);
    return nullptr;
  }
  // The object first: once the descriptor is open, nothing can throw before it is owned.
  std::unique_ptr<LogFile> file(new LogFile(static_cast<Handle>(-1), 0));
  const int fd = ::open(host.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetLastError(ErrorOf(errno));
    return nullptr;
  }
  file->FHandle = static_cast<Handle>(fd);
  const off_t end = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? ::lseek(fd, 0, SEEK_END) : -1;
  if (end < 0) {
    const int code = errno;
    file.reset();
    SetLastError(ErrorOf(code));
    return nullptr;
  }
  file->FSizeAtOpen = static_cast<std::uint64_t>(end);
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
  if (const std::optional<ShortWrite> partial = TakeShortWrite()) {
    // As Windows does on a full FAT volume: what fits stays, then the failure.
    if (partial->Accepted < left) {
      std::size_t taken = 0;
      while (taken < partial->Accepted) {
        const ssize_t written = ::write(fd, data + taken, partial->Accepted - taken);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        taken += static_cast<std::size_t>(written);
      }
      SetLastError(partial->Error);
      return false;
    }
  }
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

bool LogFile::CutTo(std::uint64_t size) {
  if (standin::Fails("SetEndOfFile")) return false;
  if (::ftruncate(static_cast<int>(FHandle), static_cast<off_t>(size)) != 0) {
    SetLastError(ErrorOf(errno));
    return false;
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

void standin::AcceptOnlyNextWrite(std::size_t accepted, std::uint32_t errorCode) {
  std::lock_guard<std::mutex> lock(gShortMutex);
  gShortWrite = ShortWrite{accepted, errorCode};
}

void standin::SetLogFileOpenHook(std::function<bool(const std::wstring& path)> refuse) {
  std::lock_guard<std::mutex> lock(gShortMutex);
  gOpenHook = std::move(refuse);
}

void standin::detail::ResetLogFile() {
  std::lock_guard<std::mutex> lock(gShortMutex);
  gShortWrite.reset();
  gOpenHook = nullptr;
}

}  // namespace platform
