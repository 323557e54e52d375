#include "platform/Process.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <mutex>

#include "platform/standin/Internal.h"
#include "platform/standin/Paths.h"
#include "platform/standin/Process.h"

namespace platform {

namespace {
std::mutex gMutex;
std::optional<std::wstring> gModuleFileName;
std::optional<std::wstring> gCommandLine;

std::wstring RealModuleFileName() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) return std::wstring();
  path.resize(static_cast<std::size_t>(n));
  return standin::FromHostPath(path);
}

std::wstring RealCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::wstring line;
  std::size_t start = 0;
  while (start < raw.size()) {
    std::size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    std::wstring arg = standin::FromUtf8(raw.substr(start, end - start));
    if (!line.empty()) line += L' ';
    if (arg.empty() || arg.find_first_of(L" \t") != std::wstring::npos)
      line += L'"' + arg + L'"';
    else
      line += arg;
    start = end + 1;
  }
  return line;
}
}  // namespace

std::wstring ModuleFileName() {
  if (standin::Fails("GetModuleFileNameW")) return std::wstring();
  std::lock_guard<std::mutex> lock(gMutex);
  return gModuleFileName ? *gModuleFileName : RealModuleFileName();
}

std::wstring CommandLine() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gCommandLine ? *gCommandLine : RealCommandLine();
}

std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(::syscall(SYS_gettid)); }

void standin::SetModuleFileName(std::optional<std::wstring> path) {
  std::lock_guard<std::mutex> lock(gMutex);
  gModuleFileName = std::move(path);
}

void standin::SetCommandLine(std::optional<std::wstring> line) {
  std::lock_guard<std::mutex> lock(gMutex);
  gCommandLine = std::move(line);
}

void standin::detail::ResetProcess() {
  std::lock_guard<std::mutex> lock(gMutex);
  gModuleFileName.reset();
  gCommandLine.reset();
}

void RestrictDllSearch() {}

}  // namespace platform
