#include "platform/Clock.h"

#include <windows.h>

namespace platform {

LocalTime LocalNow() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  LocalTime result;
  result.Year = now.wYear;
  result.Month = now.wMonth;
  result.Day = now.wDay;
  result.Hour = now.wHour;
  result.Minute = now.wMinute;
  result.Second = now.wSecond;
  result.Milliseconds = now.wMilliseconds;
  return result;
}

std::wstring TimeSeparator() {
  wchar_t buffer[8] = {};
  int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, buffer, 8);
  if (length <= 1) return L":";
  return std::wstring(buffer, static_cast<std::size_t>(length - 1));
}

void SleepMs(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform
