// A shell that really starts the program: the file is taken as a host
// executable and spawned with the parameters split at blanks. Like the Windows
// shell, the launch is not waited for, the child inherits no handles and no
// console, and failures come back as the shell's small error codes.
#include "platform/Shell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <thread>

#include "platform/standin/Paths.h"
#include "platform/standin/Shell.h"

extern char** environ;

namespace platform {

namespace {

// What the Windows shell returns for a started program (a fake instance handle).
constexpr std::intptr_t kLaunched = 42;
constexpr std::intptr_t kFileNotFound = 2;
constexpr std::intptr_t kPathNotFound = 3;
constexpr std::intptr_t kAccessDenied = 5;
constexpr std::intptr_t kOutOfMemory = 8;
constexpr std::intptr_t kBadFormat = 11;
constexpr std::intptr_t kNoAssociation = 31;

std::mutex gMutex;
std::optional<std::intptr_t> gNextResult;
std::function<void()> gNextFault;
std::vector<standin::ShellLaunch> gLaunches;

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

std::intptr_t FromErrno(int err, const std::string& path) {
  switch (err) {
    case ENOENT:
      return IsDirectory(ParentOf(path)) ? kFileNotFound : kPathNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
      return kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return kAccessDenied;
    case ENOEXEC:
      return kBadFormat;
    case ENOMEM:
    case EAGAIN:
      return kOutOfMemory;
    default:
      return kFileNotFound;
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

std::intptr_t Launch(const std::optional<std::wstring>& verb, const std::wstring& file,
                     const std::optional<std::wstring>& parameters,
                     const std::optional<std::wstring>& directory) {
  // Only the default verb and "open" start a program; the stand-in knows no other.
  if (verb && !verb->empty() && *verb != L"open") return kNoAssociation;
  if (file.empty()) return kFileNotFound;

  const std::string dir = directory && !directory->empty() ? standin::ToHostPath(*directory) : "";
  if (!dir.empty() && !IsDirectory(dir)) return kPathNotFound;
  std::string path = standin::ToHostPath(file);
  if (!dir.empty() && path[0] != '/') path = dir + "/" + path;

  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FromErrno(errno, path);
  if (S_ISDIR(st.st_mode) || ::access(path.c_str(), X_OK) != 0) return kAccessDenied;

  std::vector<std::string> args{path};
  if (parameters)
    for (std::string& a : SplitAtBlanks(*parameters)) args.push_back(std::move(a));
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (::posix_spawn_file_actions_init(&actions) != 0) return kOutOfMemory;
  // A windowed program has no console, and Windows hands it none of our handles:
  // an inherited lock or pipe would outlive us in the child.
  ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (!dir.empty()) ::posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());

  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return FromErrno(rc, path);

  // Nobody waits for the launched program; reap it when it ends so that no
  // zombies pile up.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return kLaunched;
}

}  // namespace

std::intptr_t ShellExecute(Handle /*owner*/, const std::optional<std::wstring>& verb,
                           const std::wstring& file, const std::optional<std::wstring>& parameters,
                           const std::optional<std::wstring>& directory, std::int32_t showCommand) {
  std::optional<std::intptr_t> forced;
  std::function<void()> fault;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    forced.swap(gNextResult);
    fault.swap(gNextFault);
  }
  if (fault) fault();
  const std::intptr_t result = forced ? *forced : Launch(verb, file, parameters, directory);
  std::lock_guard<std::mutex> lock(gMutex);
  gLaunches.push_back(standin::ShellLaunch{verb, file, parameters, directory, showCommand, result});
  return result;
}

void standin::SetNextShellResult(std::intptr_t value) {
  std::lock_guard<std::mutex> lock(gMutex);
  gNextResult = value;
}

void standin::SetNextShellFault(std::function<void()> fault) {
  std::lock_guard<std::mutex> lock(gMutex);
  gNextFault = std::move(fault);
}

std::vector<standin::ShellLaunch> standin::ShellLaunches() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLaunches;
}

void standin::ClearShellLaunches() {
  std::lock_guard<std::mutex> lock(gMutex);
  gLaunches.clear();
}

}  // namespace platform
