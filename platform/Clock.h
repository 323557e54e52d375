// The local wall clock and the pause of the calling thread.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A local date and time as the system reports it (GetLocalTime).
struct LocalTime {
  std::uint16_t Year = 0;
  std::uint16_t Month = 0;
  std::uint16_t Day = 0;
  std::uint16_t Hour = 0;
  std::uint16_t Minute = 0;
  std::uint16_t Second = 0;
  std::uint16_t Milliseconds = 0;
};

LocalTime LocalNow();

// The separator between hours, minutes and seconds of the user's regional
// settings; ":" where the platform has none.
std::wstring TimeSeparator();

// Suspends the calling thread (Sleep).
void SleepMs(std::uint32_t milliseconds);

}  // namespace platform
