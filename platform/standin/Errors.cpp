#include <map>

#include "platform/Platform.h"

namespace platform {

namespace {
thread_local std::uint32_t tLastError = 0;
}

std::uint32_t LastError() { return tLastError; }

void SetLastError(std::uint32_t code) { tLastError = code; }

std::wstring SystemMessage(std::uint32_t code) {
  // The texts the stand-in can produce, worded as the system words them.
  static const std::map<std::uint32_t, std::wstring> texts = {
      {0, L"The operation completed successfully.\r\n"},
      {2, L"The system cannot find the file specified.\r\n"},
      {3, L"The system cannot find the path specified.\r\n"},
      {5, L"Access is denied.\r\n"},
      {6, L"The handle is invalid.\r\n"},
      {8, L"Not enough memory resources are available to process this command.\r\n"},
      {32, L"The process cannot access the file because it is being used by another process.\r\n"},
      {87, L"The parameter is incorrect.\r\n"},
      {1060, L"The specified service does not exist as an installed service.\r\n"},
      {1063, L"The service process could not connect to the service controller.\r\n"},
      {1064, L"An exception occurred in the service when handling the control request.\r\n"},
      {1066, L"The service has returned a service-specific error code.\r\n"},
      {1073, L"The specified service already exists.\r\n"},
      {1444, L"An invalid thread handle was specified.\r\n"},
  };
  auto it = texts.find(code);
  return it == texts.end() ? std::wstring() : it->second;
}

}  // namespace platform
