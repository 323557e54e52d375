// The log file as its writers use it: one writer at a time, readers welcome.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace platform {

// A file opened for appending and shared for reading only (CreateFileW with
// GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS): while it is open, every other
// open for writing fails with a sharing violation, in this process or another.
class LogFile {
public:
  // Opens path, creating it empty when missing, positioned after its last byte;
  // an existing file is never emptied. Null, with LastError() set, when the
  // file is held by another writer or cannot be opened.
  static std::unique_ptr<LogFile> OpenExclusive(const std::wstring& path);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Appends all of bytes; false, with LastError() set, when that fails. A
  // full FAT volume or a network share may keep the part that fitted.
  bool Write(const std::string& bytes);

  // The file's size when it was opened: where this writer's bytes begin.
  std::uint64_t SizeAtOpen() const { return FSizeAtOpen; }

  // Cuts the file back to size (SetFilePointerEx, SetEndOfFile), undoing what
  // a failed write left of its bytes. False, with LastError() set, when that fails.
  bool CutTo(std::uint64_t size);

private:
  LogFile(Handle handle, std::uint64_t sizeAtOpen) : FHandle(handle), FSizeAtOpen(sizeAtOpen) {}
  Handle FHandle;
  std::uint64_t FSizeAtOpen;
};

bool DirectoryExists(const std::wstring& path);

// Creates one folder whose parent exists (CreateDirectoryW).
bool MakeDirectory(const std::wstring& path);

// Creates path and every missing parent folder; true when the folder exists
// afterwards. A trailing backslash is allowed.
bool ForceDirectories(const std::wstring& path);

}  // namespace platform
