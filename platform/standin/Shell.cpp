// A shell that really starts the program: the file is taken as a host
// executable and spawned with the parameters split at blanks. Like the Windows
// shell, the launch is not waited for, the child inherits no handles and no
// console, and a failure comes back as the shell's small code with the
// system's error as the last error. A folder is "opened" (nothing is spawned)
// with the answer of a successful launch, as the Windows shell gives it.
#include "platform/Shell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/standin/Internal.h"
#include "platform/standin/Paths.h"
#include "platform/standin/Shell.h"

extern char** environ;

namespace platform {

namespace {

// What the Windows shell returns for a started program (a fake instance handle).
constexpr std::intptr_t kLaunched = 42;
constexpr std::intptr_t kShareResult = 26;          // SE_ERR_SHARE
constexpr std::intptr_t kNoAssociationResult = 31;  // SE_ERR_NOASSOC

std::mutex gMutex;
std::vector<standin::ShellLaunch> gLaunches;

// The shell's value for a failed launch: its few codes of its own share the
// system's numbers; for anything else it has none and answers 0, "out of
// memory or resources".
std::intptr_t ShellResult(std::uint32_t code) {
  switch (code) {
    case error::FileNotFound:
    case error::PathNotFound:
    case error::AccessDenied:
    case error::NotEnoughMemory:
    case error::BadFormat:
      return static_cast<std::intptr_t>(code);
    case error::SharingViolation:
      return kShareResult;
    case error::NoAssociation:
      return kNoAssociationResult;
    default:
      return 0;
  }
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::uint32_t FromErrno(int err, const std::string& path) {
  switch (err) {
    case ENOENT:
      return IsDirectory(ParentOf(path)) ? error::FileNotFound : error::PathNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
      return error::PathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return error::AccessDenied;
    case ENOEXEC:
      return error::BadFormat;
    case ENOMEM:
    case EAGAIN:
      return error::NotEnoughMemory;
    default:
      return error::FileNotFound;
  }
}

std::vector<std::string> SplitAtBlanks(const std::wstring& text) {
  std::vector<std::string> out;
  std::wstring word;
  for (wchar_t c : text + L' ') {
    if (c == L' ' || c == L'\t') {
      if (!word.empty()) out.push_back(standin::ToUtf8(word));
      word.clear();
    } else {
      word += c;
    }
  }
  return out;
}

// Starts the program; 0 and its id, or the system's error code for the failure.
std::uint32_t Launch(const std::optional<std::wstring>& verb, const std::wstring& file,
                     const std::optional<std::wstring>& parameters,
                     const std::optional<std::wstring>& directory, pid_t& pid) {
  // Only the default verb and "open" start a program; the stand-in knows no other.
  if (verb && !verb->empty() && *verb != L"open") return error::NoAssociation;
  if (file.empty()) return error::FileNotFound;

  const std::string dir = directory && !directory->empty() ? standin::ToHostPath(*directory) : "";
  if (!dir.empty() && !IsDirectory(dir)) return error::PathNotFound;
  std::string path = standin::ToHostPath(file);
  if (!dir.empty() && path[0] != '/') path = dir + "/" + path;

  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FromErrno(errno, path);
  // The Windows shell opens a folder in a window of its own and reports success.
  if (S_ISDIR(st.st_mode)) return 0;
  if (::access(path.c_str(), X_OK) != 0) return error::AccessDenied;

  std::vector<std::string> args{path};
  if (parameters)
    for (std::string& a : SplitAtBlanks(*parameters)) args.push_back(std::move(a));
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (::posix_spawn_file_actions_init(&actions) != 0) return error::NotEnoughMemory;
  // A windowed program has no console, and Windows hands it none of our handles:
  // an inherited lock or pipe would outlive us in the child.
  ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (!dir.empty()) ::posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());

  int rc = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return FromErrno(rc, path);
  return 0;
}

// Nobody waits for the launched program; it is reaped when it ends so that no
// zombies pile up, and its end reported to ended.
void Reap(pid_t pid, std::function<void(std::uint32_t)> ended) {
  std::thread([pid, ended] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (ended) ended(WIFEXITED(status) ? static_cast<std::uint32_t>(WEXITSTATUS(status)) : 1u);
  }).detach();
}

}  // namespace

std::intptr_t ShellExecute(Handle /*owner*/, const std::optional<std::wstring>& verb,
                           const std::wstring& file, const std::optional<std::wstring>& parameters,
                           const std::optional<std::wstring>& directory, std::int32_t showCommand) {
  pid_t pid = 0;
  const std::uint32_t failure = standin::Fails("ShellExecuteW")
                                    ? LastError()
                                    : Launch(verb, file, parameters, directory, pid);
  // An opened folder leaves no child of ours (pid 0) to reap.
  if (failure == 0 && pid != 0) Reap(pid, nullptr);
  const std::intptr_t result = failure == 0 ? kLaunched : ShellResult(failure);
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gLaunches.push_back(
        standin::ShellLaunch{verb, file, parameters, directory, showCommand, result});
  }
  if (failure != 0) SetLastError(failure);
  return result;
}

ShellExecuteResult ShellExecuteEx(const std::wstring& file,
                                  const std::optional<std::wstring>& parameters,
                                  const std::optional<std::wstring>& directory,
                                  std::int32_t showCommand) {
  pid_t pid = 0;
  const std::uint32_t failure = standin::Fails("ShellExecuteExW")
                                    ? LastError()
                                    : Launch(std::nullopt, file, parameters, directory, pid);
  ShellExecuteResult result;
  result.InstApp = failure == 0 ? kLaunched : ShellResult(failure);
  // An opened folder gives no process handle, as on Windows.
  if (failure == 0 && pid != 0) {
    // In the table before it can end, so its end is never missed.
    result.Process.Reset(standin::detail::TrackLaunched(static_cast<std::uint32_t>(pid), file));
    Reap(pid, [pid](std::uint32_t code) {
      standin::detail::LaunchedEnded(static_cast<std::uint32_t>(pid), code);
    });
  }
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gLaunches.push_back(standin::ShellLaunch{std::nullopt, file, parameters, directory, showCommand,
                                             result.InstApp});
  }
  if (failure != 0) SetLastError(failure);
  return result;
}

std::vector<standin::ShellLaunch> standin::ShellLaunches() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLaunches;
}

void standin::detail::ResetShell() {
  std::lock_guard<std::mutex> lock(gMutex);
  gLaunches.clear();
}

}  // namespace platform
