#include "platform/LogFile.h"

#include <windows.h>

#include <climits>

#include "platform/win32/Win32Support.h"

namespace platform {

std::unique_ptr<LogFile> LogFile::OpenExclusive(const std::wstring& path) {
  win32::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  LARGE_INTEGER zero, end;
  zero.QuadPart = 0;
  if (!::SetFilePointerEx(file.Get(), zero, &end, FILE_END)) {
    const DWORD error = ::GetLastError();
    file.Reset();
    ::SetLastError(error);
    return nullptr;
  }
  // The file stays with its owner until the object that takes it over exists.
  std::unique_ptr<LogFile> log(
      new LogFile(reinterpret_cast<Handle>(file.Get()), static_cast<std::uint64_t>(end.QuadPart)));
  file.Release();
  return log;
}

LogFile::~LogFile() { ::CloseHandle(reinterpret_cast<HANDLE>(FHandle)); }

bool LogFile::Write(const std::string& bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!::WriteFile(reinterpret_cast<HANDLE>(FHandle), data, chunk, &written, nullptr))
      return false;
    if (written == 0) return false;
    data += written;
    left -= written;
  }
  return true;
}

bool LogFile::CutTo(std::uint64_t size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  const HANDLE file = reinterpret_cast<HANDLE>(FHandle);
  return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

bool DirectoryExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDirectory(const std::wstring& path) {
  return ::CreateDirectoryW(path.c_str(), nullptr) != 0;
}

}  // namespace platform
