// Test controls of the stand-in process table and tick clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::standin {

// A process of the model only: it runs, under the given image path, until
// EndProcess ends it. Returns its id. ageMs: how long it has run already.
std::uint32_t AddProcess(const std::wstring& image, std::uint64_t ageMs = 0);
// Ends a model process with the exit code; waits on it return.
void EndProcess(std::uint32_t id, std::uint32_t exitCode);

// Every process the stand-in knows: model ones and those ShellExecuteEx started.
struct ProcessInfo {
  std::uint32_t Id = 0;
  std::wstring Image;
  bool Running = false;
  std::uint32_t ExitCode = 0;
};
std::vector<ProcessInfo> Processes();
// Process handles handed out and not closed yet.
int OpenProcessHandles();

// Freezes TickCount at the value: from then on it moves only by
// AdvanceTickCount, and timed waits end when it passes their deadline.
// nullopt: the real clock again.
void FreezeTickCount(std::optional<std::uint64_t> at);
void AdvanceTickCount(std::uint64_t ms);

// Threads blocked in WaitForProcessOrMessage now, and the tick deadlines of
// those that wait with a limit.
int BlockedWaits();
std::vector<std::uint64_t> TimedWaitDeadlines();

}  // namespace platform::standin
