#include "platform/standin/Clock.h"

#include <time.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/standin/Internal.h"

namespace platform {

namespace {
// Never destroyed: detached log writers may read the clock while the process exits.
std::mutex& ClockMutex() {
  static std::mutex* mutex = new std::mutex();
  return *mutex;
}
std::optional<LocalTime>& FixedTime() {
  static auto* fixed = new std::optional<LocalTime>();
  return *fixed;
}

LocalTime RealLocalNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm parts{};
  ::localtime_r(&seconds, &parts);
  LocalTime result;
  result.Year = static_cast<std::uint16_t>(parts.tm_year + 1900);
  result.Month = static_cast<std::uint16_t>(parts.tm_mon + 1);
  result.Day = static_cast<std::uint16_t>(parts.tm_mday);
  result.Hour = static_cast<std::uint16_t>(parts.tm_hour);
  result.Minute = static_cast<std::uint16_t>(parts.tm_min);
  result.Second = static_cast<std::uint16_t>(parts.tm_sec);
  result.Milliseconds = static_cast<std::uint16_t>(
      duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return result;
}
}  // namespace

LocalTime LocalNow() {
  {
    std::lock_guard<std::mutex> lock(ClockMutex());
    if (FixedTime()) return *FixedTime();
  }
  return RealLocalNow();
}

std::wstring TimeSeparator() { return L":"; }

void SleepMs(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void standin::SetLocalTime(std::optional<LocalTime> now) {
  std::lock_guard<std::mutex> lock(ClockMutex());
  FixedTime() = now;
}

void standin::detail::ResetClock() { SetLocalTime(std::nullopt); }

}  // namespace platform
