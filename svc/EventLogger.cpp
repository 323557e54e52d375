#include "svc/EventLogger.h"

void TEventLogger::LogMessage(const std::wstring& Message, std::uint32_t EventType,
                              std::uint16_t Category, std::uint32_t ID) {
  // Registered on the first entry, so a process that writes none never
  // registers; a failed registration is tried again by the next entry.
  if (!FEventLog) FEventLog = platform::RegisterEventSource(FName);
  // An entry that cannot be written is lost: the writer reports to nobody.
  platform::ReportEvent(FEventLog, static_cast<std::uint16_t>(EventType), Category, ID,
                        Message.c_str());
}
