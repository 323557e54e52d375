// Watching another process without owning its life: find it by its image,
// wait for its end or for a message to the calling thread, read how it ended.
// Nothing here ends a process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

namespace platform {

// CloseHandle of a process handle: how the owner below closes it.
bool CloseProcessHandle(Handle process);

struct ProcessHandleTraits {
  using Value = Handle;
  static constexpr Value Invalid() noexcept { return 0; }
  static void Close(Value value) noexcept { CloseProcessHandle(value); }
};
// A handle that may wait on a process and query it (SYNCHRONIZE and
// PROCESS_QUERY_LIMITED_INFORMATION at least), never terminate it.
using ProcessHandle = UniqueHandle<ProcessHandleTraits>;

// A running process found by its image.
struct FoundProcess {
  ProcessHandle Process;
  std::uint32_t ProcessId = 0;
  std::wstring Image;       // full path, as the system gives it
  std::uint64_t AgeMs = 0;  // how long it has been running when found
};

// The first running process, other than the calling one, whose full image path
// (QueryFullProcessImageNameW, through the handle it is opened with, so a
// recycled id cannot slip in) is image, compared as the file system compares
// names (SamePathIgnoreCase). Processes that cannot be opened for query and
// wait are passed over. nullopt when there is none.
std::optional<FoundProcess> FindProcess(const std::wstring& image);

// Outcome of the one wait the watcher makes.
enum class WaitOutcome { ProcessEnded, Message, Timeout, Failed };

// Blocks until the process has ended (when one is given), a message is posted
// to the calling thread's queue (one already queued counts:
// MsgWaitForMultipleObjectsEx with MWMO_INPUTAVAILABLE) or timeoutMs passes
// (nullopt: no limit). Uses no CPU while it waits.
WaitOutcome WaitForProcessOrMessage(const ProcessHandle* process,
                                    std::optional<std::uint32_t> timeoutMs);

// GetExitCodeProcess; false with LastError() when it cannot be read. 259
// (STILL_ACTIVE) while the process runs.
bool ProcessExitCode(const ProcessHandle& process, std::uint32_t& code);

// GetProcessId; 0 when it cannot be read.
std::uint32_t ProcessId(const ProcessHandle& process);

// Milliseconds since some fixed moment, never going back (GetTickCount64):
// what delays and run lengths are measured with.
std::uint64_t TickCount();

}  // namespace platform
