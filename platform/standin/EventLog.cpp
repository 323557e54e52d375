// An event log that keeps its entries in memory. Like the system's, it accepts
// any source name and rejects reports through a handle it did not hand out.
#include "platform/EventLog.h"

#include <map>
#include <mutex>

#include "platform/standin/EventLog.h"
#include "platform/standin/Internal.h"

namespace platform {

namespace {
std::mutex gMutex;
std::map<Handle, std::wstring> gSources;
Handle gNextHandle = 0x5100;
std::vector<standin::EventEntry> gEntries;
int gRegistrations = 0;
int gDeregistrations = 0;
}  // namespace

EventSourceHandle RegisterEventSource(const std::wstring& sourceName) {
  if (standin::Fails("RegisterEventSourceW")) return {};
  std::lock_guard<std::mutex> lock(gMutex);
  const Handle handle = gNextHandle;
  gNextHandle += 4;
  gSources[handle] = sourceName;
  ++gRegistrations;
  return EventSourceHandle(handle);
}

bool ReportEvent(const EventSourceHandle& source, std::uint16_t type, std::uint16_t category,
                 std::uint32_t id, const wchar_t* text) {
  if (standin::Fails("ReportEventW")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gSources.find(source.Get());
  if (it == gSources.end() || text == nullptr) {
    SetLastError(error::InvalidHandle);
    return false;
  }
  gEntries.push_back(standin::EventEntry{it->second, type, category, id, text});
  return true;
}

bool DeregisterEventSource(Handle source) {
  if (standin::Fails("DeregisterEventSource")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  if (gSources.erase(source) == 0) {
    SetLastError(error::InvalidHandle);
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

namespace {
// Like the registry, key names ignore case and keep the case they were made with.
std::map<std::wstring, std::pair<std::wstring, standin::EventSourceKey>>& Keys() {
  static std::map<std::wstring, std::pair<std::wstring, standin::EventSourceKey>> keys;
  return keys;
}
}  // namespace

bool WriteEventSourceKey(const std::wstring& source, const std::wstring& messageFile,
                         std::uint32_t typesSupported) {
  if (standin::Fails("RegCreateKeyExW")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  auto& key = Keys()[standin::FoldName(source)];
  if (key.first.empty()) key.first = source;
  key.second.MessageFile = messageFile;
  key.second.TypesSupported = typesSupported;
  return true;
}

bool RemoveEventSourceKey(const std::wstring& source) {
  if (standin::Fails("RegDeleteTreeW")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  Keys().erase(standin::FoldName(source));
  return true;
}

std::map<std::wstring, standin::EventSourceKey> standin::EventSourceKeys() {
  std::lock_guard<std::mutex> lock(gMutex);
  std::map<std::wstring, standin::EventSourceKey> keys;
  for (const auto& entry : Keys()) keys[entry.second.first] = entry.second.second;
  return keys;
}

void standin::AddEventSourceSubkey(const std::wstring& source, const std::wstring& subkey) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto& key = Keys()[standin::FoldName(source)];
  if (key.first.empty()) key.first = source;
  key.second.Subkeys.push_back(subkey);
}

void standin::detail::ResetEventLog() {
  // Sources stay open: a service's event-log writer lives as long as the
  // service and keeps its handle from one run to the next, also across a reset.
  std::lock_guard<std::mutex> lock(gMutex);
  Keys().clear();
  gEntries.clear();
  gRegistrations = 0;
  gDeregistrations = 0;
}

}  // namespace platform
