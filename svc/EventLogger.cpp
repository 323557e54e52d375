#include "svc/EventLogger.h"

#include "platform/EventLog.h"

TEventLogger::~TEventLogger() {
  if (FEventLog != 0) {
    platform::DeregisterEventSource(FEventLog);
    FEventLog = 0;
  }
}

void TEventLogger::LogMessage(const std::wstring& Message, std::uint32_t EventType,
                              std::uint16_t Category, std::uint32_t ID) {
  // Registered on the first entry, so a process that writes none never
  // registers; a failed registration is tried again by the next entry.
  if (FEventLog == 0) FEventLog = platform::RegisterEventSource(FName);
  // An entry that cannot be written is lost: the writer reports to nobody.
  platform::ReportEvent(FEventLog, static_cast<std::uint16_t>(EventType), Category, ID,
                        Message.c_str());
}
