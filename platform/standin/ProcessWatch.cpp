// A process table and one wait over it, the calling thread's queue and the
// tick clock. Processes are model ones (ended by the test) or host programs
// that the shell started (ended by themselves). Every change a waiter may be
// waiting for bumps one generation count, so a wait never misses a change
// made between its look and its sleep.
#include "platform/ProcessWatch.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/Messages.h"
#include "platform/standin/Internal.h"
#include "platform/standin/ProcessWatch.h"

namespace platform {

namespace {
struct Entry {
  std::uint32_t Id = 0;
  std::wstring Image;
  bool Running = true;
  std::uint32_t ExitCode = 259;  // STILL_ACTIVE
  std::uint64_t StartTick = 0;
  bool Host = false;
};

// A host program's reaper thread may report its end while the process is
// exiting, after static destructors have run; what it touches is therefore
// never destroyed.
std::mutex& gMutex = *new std::mutex;  // the table and the clock
std::vector<std::shared_ptr<Entry>>& gEntries = *new std::vector<std::shared_ptr<Entry>>;
std::map<Handle, std::shared_ptr<Entry>> gHandles;
Handle gNextHandle = 0x7A00;
std::uint32_t gNextModelId = 90000;
std::optional<std::uint64_t> gFrozen;

std::mutex& gWaitMutex = *new std::mutex;  // the generation and the blocked waiters
std::condition_variable& gChanged = *new std::condition_variable;
std::uint64_t gGeneration = 0;
int gBlocked = 0;
std::multiset<std::uint64_t> gDeadlines;

std::uint64_t RealTicks() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::uint64_t TicksLocked() { return gFrozen ? *gFrozen : RealTicks(); }

Handle NewHandleLocked(const std::shared_ptr<Entry>& entry) {
  const Handle handle = gNextHandle;
  gNextHandle += 4;
  gHandles[handle] = entry;
  return handle;
}

std::shared_ptr<Entry> EntryOf(Handle handle) {
  auto it = gHandles.find(handle);
  return it == gHandles.end() ? nullptr : it->second;
}
}  // namespace

void standin::detail::NotifyWaiters() {
  std::lock_guard<std::mutex> lock(gWaitMutex);
  ++gGeneration;
  gChanged.notify_all();
}

Handle standin::detail::TrackLaunched(std::uint32_t pid, const std::wstring& image) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto entry = std::make_shared<Entry>();
  entry->Id = pid;
  entry->Image = image;
  entry->StartTick = TicksLocked();
  entry->Host = true;
  gEntries.push_back(entry);
  return NewHandleLocked(entry);
}

void standin::detail::LaunchedEnded(std::uint32_t pid, std::uint32_t exitCode) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    for (auto& entry : gEntries)
      if (entry->Host && entry->Running && entry->Id == pid) {
        entry->Running = false;
        entry->ExitCode = exitCode;
      }
  }
  NotifyWaiters();
}

bool CloseProcessHandle(Handle process) {
  if (standin::Fails("CloseHandle")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  if (gHandles.erase(process) == 0) {
    SetLastError(error::InvalidHandle);
    return false;
  }
  return true;
}

std::optional<FoundProcess> FindProcess(const std::wstring& wanted) {
  if (standin::Fails("CreateToolhelp32Snapshot")) return std::nullopt;
  std::vector<std::shared_ptr<Entry>> running;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    for (auto& entry : gEntries)
      if (entry->Running) running.push_back(entry);
  }
  for (auto& entry : running) {
    if (!standin::SameName(entry->Image, wanted)) continue;
    std::lock_guard<std::mutex> lock(gMutex);
    if (!entry->Running) continue;
    FoundProcess found;
    found.Process = ProcessHandle(NewHandleLocked(entry));
    found.ProcessId = entry->Id;
    found.Image = entry->Image;
    const std::uint64_t now = TicksLocked();
    found.AgeMs = now > entry->StartTick ? now - entry->StartTick : 0;
    return found;
  }
  return std::nullopt;
}

WaitOutcome WaitForProcessOrMessage(const ProcessHandle* process,
                                    std::optional<std::uint32_t> timeoutMs) {
  if (standin::Fails("MsgWaitForMultipleObjectsEx")) return WaitOutcome::Failed;
  std::shared_ptr<Entry> entry;
  std::uint64_t deadline = 0;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    if (process != nullptr && *process) {
      entry = EntryOf(process->Get());
      if (!entry) {
        SetLastError(error::InvalidHandle);
        return WaitOutcome::Failed;
      }
    }
    if (timeoutMs) deadline = TicksLocked() + *timeoutMs;
  }
  for (;;) {
    std::uint64_t generation;
    {
      std::lock_guard<std::mutex> lock(gWaitMutex);
      generation = gGeneration;
    }
    bool frozen;
    std::uint64_t now;
    {
      std::lock_guard<std::mutex> lock(gMutex);
      if (entry && !entry->Running) return WaitOutcome::ProcessEnded;
      frozen = gFrozen.has_value();
      now = TicksLocked();
    }
    ThreadMessage m;
    if (PeekMessage(m, 0, 0, false)) return WaitOutcome::Message;
    if (timeoutMs && now >= deadline) return WaitOutcome::Timeout;

    std::unique_lock<std::mutex> lock(gWaitMutex);
    ++gBlocked;
    auto mark = timeoutMs ? gDeadlines.insert(deadline) : gDeadlines.end();
    const auto changed = [&] { return gGeneration != generation; };
    if (timeoutMs && !frozen)
      gChanged.wait_for(lock, std::chrono::milliseconds(deadline - now), changed);
    else
      gChanged.wait(lock, changed);
    if (mark != gDeadlines.end()) gDeadlines.erase(mark);
    --gBlocked;
  }
}

bool ProcessExitCode(const ProcessHandle& process, std::uint32_t& code) {
  if (standin::Fails("GetExitCodeProcess")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  auto entry = EntryOf(process.Get());
  if (!entry) {
    SetLastError(error::InvalidHandle);
    return false;
  }
  code = entry->ExitCode;
  return true;
}

std::uint32_t ProcessId(const ProcessHandle& process) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto entry = EntryOf(process.Get());
  return entry ? entry->Id : 0;
}

std::uint64_t TickCount() {
  std::lock_guard<std::mutex> lock(gMutex);
  return TicksLocked();
}

std::uint32_t standin::AddProcess(const std::wstring& image, std::uint64_t ageMs) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto entry = std::make_shared<Entry>();
  entry->Id = gNextModelId;
  gNextModelId += 4;
  entry->Image = image;
  const std::uint64_t now = TicksLocked();
  entry->StartTick = now > ageMs ? now - ageMs : 0;
  gEntries.push_back(entry);
  return entry->Id;
}

void standin::EndProcess(std::uint32_t id, std::uint32_t exitCode) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    for (auto& entry : gEntries)
      if (!entry->Host && entry->Id == id && entry->Running) {
        entry->Running = false;
        entry->ExitCode = exitCode;
      }
  }
  detail::NotifyWaiters();
}

std::vector<standin::ProcessInfo> standin::Processes() {
  std::lock_guard<std::mutex> lock(gMutex);
  std::vector<ProcessInfo> out;
  for (auto& entry : gEntries)
    out.push_back(ProcessInfo{entry->Id, entry->Image, entry->Running, entry->ExitCode});
  return out;
}

int standin::OpenProcessHandles() {
  std::lock_guard<std::mutex> lock(gMutex);
  return static_cast<int>(gHandles.size());
}

void standin::FreezeTickCount(std::optional<std::uint64_t> at) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gFrozen = at;
  }
  detail::NotifyWaiters();
}

void standin::AdvanceTickCount(std::uint64_t ms) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gFrozen = TicksLocked() + ms;
  }
  detail::NotifyWaiters();
}

int standin::BlockedWaits() {
  std::lock_guard<std::mutex> lock(gWaitMutex);
  return gBlocked;
}

std::vector<std::uint64_t> standin::TimedWaitDeadlines() {
  std::lock_guard<std::mutex> lock(gWaitMutex);
  return std::vector<std::uint64_t>(gDeadlines.begin(), gDeadlines.end());
}

void standin::detail::ResetProcessWatch() {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gEntries.clear();
    gHandles.clear();
    gFrozen.reset();
  }
  NotifyWaiters();
}

}  // namespace platform
