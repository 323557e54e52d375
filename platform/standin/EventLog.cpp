// An event log that keeps its entries in memory. Like the system's, it accepts
// any source name and rejects reports through a handle it did not hand out.
#include "platform/EventLog.h"

#include <map>
#include <mutex>

#include "platform/standin/EventLog.h"
#include "platform/standin/Faults.h"

namespace platform {

namespace {
constexpr std::uint32_t InvalidHandle = 6;  // ERROR_INVALID_HANDLE

std::mutex gMutex;
std::map<Handle, std::wstring> gSources;
Handle gNextHandle = 0x5100;
std::vector<standin::EventEntry> gEntries;
int gRegistrations = 0;
int gDeregistrations = 0;
}  // namespace

EventSourceHandle RegisterEventSource(const std::wstring& sourceName) {
  std::uint32_t code = 0;
  if (standin::TakeFault("RegisterEventSourceW", code)) return {};
  std::lock_guard<std::mutex> lock(gMutex);
  const Handle handle = gNextHandle;
  gNextHandle += 4;
  gSources[handle] = sourceName;
  ++gRegistrations;
  return EventSourceHandle(handle);
}

bool ReportEvent(const EventSourceHandle& source, std::uint16_t type, std::uint16_t category,
                 std::uint32_t id, const wchar_t* text) {
  std::uint32_t code = 0;
  if (standin::TakeFault("ReportEventW", code)) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gSources.find(source.Get());
  if (it == gSources.end() || text == nullptr) {
    SetLastError(InvalidHandle);
    return false;
  }
  gEntries.push_back(standin::EventEntry{it->second, type, category, id, text});
  return true;
}

bool DeregisterEventSource(Handle source) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (gSources.erase(source) == 0) {
    SetLastError(InvalidHandle);
    return false;
  }
  ++gDeregistrations;
  return true;
}

std::vector<standin::EventEntry> standin::EventEntries() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gEntries;
}

int standin::EventSourceRegistrations() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gRegistrations;
}

int standin::EventSourceDeregistrations() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gDeregistrations;
}

void standin::ResetEventLog() {
  std::lock_guard<std::mutex> lock(gMutex);
  gEntries.clear();
  gRegistrations = 0;
  gDeregistrations = 0;
}

}  // namespace platform
