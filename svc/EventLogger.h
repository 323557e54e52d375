// Writer of event-log entries under one source name.
#pragma once

#include <cstdint>
#include <string>

#include "platform/EventLog.h"

class TEventLogger {
public:
  explicit TEventLogger(const std::wstring& Name) : FName(Name) {}
  TEventLogger(const TEventLogger&) = delete;
  TEventLogger& operator=(const TEventLogger&) = delete;

  const std::wstring& Name() const { return FName; }
  void LogMessage(const std::wstring& Message, std::uint32_t EventType, std::uint16_t Category,
                  std::uint32_t ID);

private:
  std::wstring FName;
  platform::EventSourceHandle FEventLog;  // deregistered with the writer
};
