// Test stand-in for the NFC-e emitter API. When started it appends one line, its
// process id, to "divevezodoz.started" in its own folder. While a file
// "divevezodoz.hold" lies in that folder it keeps running (at most a minute), so
// a test can launch a second copy while the first is alive; while
// "divevezodoz.live" lies there it keeps running until the file goes or a file
// "divevezodoz.end-<its pid>" appears (at most ten minutes), for watch-mode
// tests that decide when each copy ends. It
// exits with the number in "divevezodoz.exitcode" (0 without the file), and
// appends "start <pid> <ms>" and "exit <pid> <code> <ms>" to
// "divevezodoz.stamps", ms being wall-clock milliseconds, so a test measures
// delays between copies from the copies themselves. On Windows it is a
// windowed program that shows nothing, and it also appends the show command it
// was started with to "divevezodoz.show" ("0": hidden).
#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include <cstdlib>

namespace {
std::wstring OwnFolder() {
  std::wstring path(32768, L'\0');
  DWORD n = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  path.resize(n);
  return path.substr(0, path.find_last_of(L"\\/:") + 1);
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void AppendLine(const std::wstring& path, const std::string& line) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE h = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      ::WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      ::CloseHandle(h);
      return;
    }
    ::Sleep(10);
  }
}

std::uint32_t ExitCodeFrom(const std::wstring& path) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  char text[32] = {};
  DWORD read = 0;
  ::ReadFile(h, text, sizeof text - 1, &read, nullptr);
  ::CloseHandle(h);
  return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
}

std::string NowMs() {
  FILETIME t;
  ::GetSystemTimeAsFileTime(&t);
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return std::to_string(ticks / 10000 - 11644473600000ull);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring folder = OwnFolder();
  const std::string pid = std::to_string(::GetCurrentProcessId());
  AppendLine(folder + L"divevezodoz.stamps", "start " + pid + " " + NowMs() + "\r\n");
  AppendLine(folder + L"divevezodoz.started", pid + "\r\n");
  // The show command it was started with, one line per start: "0" for hidden.
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  AppendLine(
      folder + L"divevezodoz.show",
      (startup.dwFlags & STARTF_USESHOWWINDOW ? std::to_string(startup.wShowWindow) : "default") +
          "\r\n");
  for (int i = 0; i < 3000 && Exists(folder + L"divevezodoz.hold"); ++i) ::Sleep(20);
  const std::wstring end = folder + L"divevezodoz.end-" + std::wstring(pid.begin(), pid.end());
  for (int i = 0; i < 12000 && Exists(folder + L"divevezodoz.live") && !Exists(end); ++i)
    ::Sleep(50);
  const std::uint32_t code = ExitCodeFrom(folder + L"divevezodoz.exitcode");
  AppendLine(folder + L"divevezodoz.stamps",
             "exit " + pid + " " + std::to_string(code) + " " + NowMs() + "\r\n");
  return static_cast<int>(code);
}

#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>

namespace {
std::string OwnFolder() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", &path[0], path.size());
  path.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return path.substr(0, path.find_last_of('/') + 1);
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// One write with O_APPEND: lines of copies running at once do not interleave.
bool AppendLine(const std::string& path, const std::string& line) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return false;
  ssize_t written = ::write(fd, line.data(), line.size());
  ::close(fd);
  return written == static_cast<ssize_t>(line.size());
}

std::string NowMs() {
  using namespace std::chrono;
  return std::to_string(
      duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}
}  // namespace

int main() {
  const std::string folder = OwnFolder();
  const std::string pid = std::to_string(::getpid());
  AppendLine(folder + "divevezodoz.stamps", "start " + pid + " " + NowMs() + "\n");
  if (!AppendLine(folder + "divevezodoz.started", pid + "\n")) return 1;
  const timespec pause{0, 20 * 1000 * 1000};
  for (int i = 0; i < 3000 && Exists(folder + "divevezodoz.hold"); ++i)
    ::nanosleep(&pause, nullptr);
  const std::string end = folder + "divevezodoz.end-" + pid;
  for (int i = 0; i < 30000 && Exists(folder + "divevezodoz.live") && !Exists(end); ++i)
    ::nanosleep(&pause, nullptr);
  int code = 0;
  std::ifstream in(folder + "divevezodoz.exitcode");
  if (in) in >> code;
  AppendLine(folder + "divevezodoz.stamps",
             "exit " + pid + " " + std::to_string(code) + " " + NowMs() + "\n");
  return code;
}
#endif
