// Test control of the stand-in log file. A refused open or a failed cut is
// arranged through the common fault hook (Control.h) under "CreateFileW" or
// "SetEndOfFile".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform::standin {

// The next write to a log file keeps only its first `accepted` bytes and then
// fails with errorCode, as a full FAT volume or a network share does (112:
// the disk is full). A write of no more than `accepted` bytes succeeds whole.
void AcceptOnlyNextWrite(std::size_t accepted, std::uint32_t errorCode);

// Called at the start of every log-file open, on the opening thread, until
// replaced by an empty function or a reset. When it answers true the open
// fails with a sharing violation (32), as when another program holds the
// file. It may block; it must not open log files itself.
void SetLogFileOpenHook(std::function<bool(const std::wstring& path)> refuse);

}  // namespace platform::standin
