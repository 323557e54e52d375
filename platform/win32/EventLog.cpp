#include <windows.h>

// The seam's names are the API's names; windows.h maps them to the W calls.
#undef RegisterEventSource
#undef ReportEvent

#include "platform/EventLog.h"

namespace platform {

EventSourceHandle RegisterEventSource(const std::wstring& sourceName) {
  return EventSourceHandle(
      reinterpret_cast<Handle>(::RegisterEventSourceW(nullptr, sourceName.c_str())));
}

bool ReportEvent(const EventSourceHandle& source, std::uint16_t type, std::uint16_t category,
                 std::uint32_t id, const wchar_t* text) {
  const wchar_t* strings[1] = {text};
  return ::ReportEventW(reinterpret_cast<HANDLE>(source.Get()), type, category, id, nullptr, 1, 0,
                        strings, nullptr) != 0;
}

bool DeregisterEventSource(Handle source) {
  return ::DeregisterEventSource(reinterpret_cast<HANDLE>(source)) != 0;
}

}  // namespace platform
