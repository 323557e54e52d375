// The Windows event log, as an event source that writes entries.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

namespace platform {

namespace eventlog {
// ReportEventW's type, category and event identifier as this program writes them.
constexpr std::uint16_t Error = 0x0001;    // EVENTLOG_ERROR_TYPE
constexpr std::uint16_t Warning = 0x0002;  // EVENTLOG_WARNING_TYPE
constexpr std::uint16_t NoCategory = 0;
constexpr std::uint32_t NoEventId = 0;
}  // namespace eventlog

// DeregisterEventSource: how the owner below closes its source.
bool DeregisterEventSource(Handle source);

struct EventSourceTraits {
  using Value = Handle;
  static constexpr Value Invalid() noexcept { return 0; }
  static void Close(Value value) noexcept { DeregisterEventSource(value); }
};
using EventSourceHandle = UniqueHandle<EventSourceTraits>;

// RegisterEventSourceW(null: the local computer, sourceName): an empty owner on failure.
EventSourceHandle RegisterEventSource(const std::wstring& sourceName);

// ReportEventW(source, type, category, id, no user, one string, no data): the
// entry's only insertion string is text (never null). False when it fails.
bool ReportEvent(const EventSourceHandle& source, std::uint16_t type, std::uint16_t category,
                 std::uint32_t id, const wchar_t* text);

// The registration of an event source in the Application log, which lets an
// event viewer read its entries' texts from the message table of messageFile:
// the key HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\<source>
// with EventMessageFile = messageFile (REG_EXPAND_SZ) and TypesSupported
// (REG_DWORD). False, with LastError(), when the key cannot be written.
bool WriteEventSourceKey(const std::wstring& source, const std::wstring& messageFile,
                         std::uint32_t typesSupported);
// Removes that key with everything under it (RegDeleteTreeW); a key that is
// not there counts as removed. False, with LastError(), otherwise.
bool RemoveEventSourceKey(const std::wstring& source);

namespace eventlog {
// Error, warning and information: every type this program writes.
constexpr std::uint32_t TypesSupported = 0x7;
}  // namespace eventlog

}  // namespace platform
