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

}  // namespace platform
