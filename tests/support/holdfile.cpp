// holdfile FILE FLAG [SECONDS [read]]
// Opens FILE for writing the way the log writers do (exclusive writer, readers
// allowed), then creates FLAG to say it holds it, and keeps holding until FLAG
// is deleted or SECONDS (default 60) have passed. Exit 2 when FILE is refused.
// With "read" (Windows only), FILE is opened the way some log viewers do:
// GENERIC_READ sharing read access only, which refuses every writer.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <thread>

#ifdef _WIN32
#include <windows.h>

using Text = const wchar_t*;

static bool Hold(Text file, bool reader) {
  HANDLE handle = ::CreateFileW(file, reader ? GENERIC_READ : GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    std::printf("refused: error %lu\n", static_cast<unsigned long>(::GetLastError()));
    return false;
  }
  return true;  // released by the process's end
}

static bool MakeFlag(Text flag) {
  HANDLE handle =
      ::CreateFileW(flag, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(handle);
  return true;
}

static bool FlagExists(Text flag) { return ::GetFileAttributesW(flag) != INVALID_FILE_ATTRIBUTES; }

static long Seconds(Text text) { return std::wcstol(text, nullptr, 10); }
static bool IsRead(Text text) { return std::wcscmp(text, L"read") == 0; }

// Called by the start-up code that -municode links in, which declares it nowhere.
int wmain(int argc, wchar_t** argv);
int wmain(int argc, wchar_t** argv) {
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using Text = const char*;

static bool Hold(Text file, bool /*reader*/) {
  const int fd = ::open(file, O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    std::printf("refused\n");
    return false;
  }
  return true;  // released by the process's end
}

static bool MakeFlag(Text flag) {
  const int fd = ::open(flag, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

static bool FlagExists(Text flag) {
  struct stat info;
  return ::stat(flag, &info) == 0;
}

static long Seconds(Text text) { return std::strtol(text, nullptr, 10); }
static bool IsRead(Text text) { return std::strcmp(text, "read") == 0; }

int main(int argc, char** argv) {
#endif
  if (argc < 3) {
    std::printf("usage: holdfile FILE FLAG [SECONDS [read]]\n");
    return 1;
  }
  if (!Hold(argv[1], argc > 4 && IsRead(argv[4]))) return 2;
  if (!MakeFlag(argv[2])) return 3;
  std::printf("holding\n");
  std::fflush(stdout);
  const long seconds = argc > 3 ? Seconds(argv[3]) : 60;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (FlagExists(argv[2]) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return 0;
}
