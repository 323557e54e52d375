// Test stand-in for the NFC-e emitter API. When started it appends one line, its
// process id, to "divevezodoz.started" in its own folder and exits. While a file
// "divevezodoz.hold" lies in that folder it keeps running (at most a minute), so
// a test can launch a second copy while the first is alive. On Windows it is a
// windowed program that shows nothing, and it also appends the show command it
// was started with to "divevezodoz.show" ("0": hidden).
#include <string>

#ifdef _WIN32
#include <windows.h>

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
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring folder = OwnFolder();
  AppendLine(folder + L"divevezodoz.started", std::to_string(::GetCurrentProcessId()) + "\r\n");
  // The show command it was started with, one line per start: "0" for hidden.
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  AppendLine(
      folder + L"divevezodoz.show",
      (startup.dwFlags & STARTF_USESHOWWINDOW ? std::to_string(startup.wShowWindow) : "default") +
          "\r\n");
  for (int i = 0; i < 3000 && Exists(folder + L"divevezodoz.hold"); ++i) ::Sleep(20);
  return 0;
}

#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace {
std::string OwnFolder() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", &path[0], path.size());
  path.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return path.substr(0, path.find_last_of('/') + 1);
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }
}  // namespace

int main() {
  const std::string folder = OwnFolder();
  const std::string line = std::to_string(::getpid()) + "\n";
  int fd = ::open((folder + "divevezodoz.started").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return 1;
  // One write with O_APPEND: lines of copies running at once do not interleave.
  ssize_t written = ::write(fd, line.data(), line.size());
  ::close(fd);
  const timespec pause{0, 20 * 1000 * 1000};
  for (int i = 0; i < 3000 && Exists(folder + "divevezodoz.hold"); ++i)
    ::nanosleep(&pause, nullptr);
  return written == static_cast<ssize_t>(line.size()) ? 0 : 1;
}
#endif
