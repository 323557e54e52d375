// Test control of the stand-in event log: what was written, and by whom.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace platform::standin {

struct EventEntry {
  std::wstring Source;
  std::uint16_t Type = 0;
  std::uint16_t Category = 0;
  std::uint32_t Id = 0;
  std::wstring Text;  // the one insertion string
};

std::vector<EventEntry> EventEntries();
// Successful RegisterEventSourceW and DeregisterEventSource calls so far.
int EventSourceRegistrations();
int EventSourceDeregistrations();

// The event-source keys of the Application log, by source name.
struct EventSourceKey {
  std::wstring MessageFile;
  std::uint32_t TypesSupported = 0;
  std::vector<std::wstring> Subkeys;  // keys made under it by others, e.g. an event viewer
};
std::map<std::wstring, EventSourceKey> EventSourceKeys();

// Makes a key under a source's key (and the source's key when it is missing),
// as other software may; removing the source's key must take it too.
void AddEventSourceSubkey(const std::wstring& source, const std::wstring& subkey);

}  // namespace platform::standin
