// The Windows event log, as an event source that writes entries.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace platform {

namespace eventlog {
constexpr std::uint16_t Error = 0x0001;    // EVENTLOG_ERROR_TYPE
constexpr std::uint16_t Warning = 0x0002;  // EVENTLOG_WARNING_TYPE
}  // namespace eventlog

// RegisterEventSourceW(null: the local computer, sourceName): a handle, or 0.
Handle RegisterEventSource(const std::wstring& sourceName);

// ReportEventW(source, type, category, id, no user, one string, no data): the
// entry's only insertion string is text (never null). False when it fails.
bool ReportEvent(Handle source, std::uint16_t type, std::uint16_t category, std::uint32_t id,
                 const wchar_t* text);

// DeregisterEventSource.
bool DeregisterEventSource(Handle source);

}  // namespace platform
