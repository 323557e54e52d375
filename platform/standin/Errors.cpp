#include <map>

#include "platform/Platform.h"
#include "platform/standin/Internal.h"

namespace platform {

namespace {
thread_local std::uint32_t tLastError = 0;
}

std::uint32_t LastError() { return tLastError; }

void SetLastError(std::uint32_t code) { tLastError = code; }

std::wstring SystemMessage(std::uint32_t code) {
  if (standin::Fails("FormatMessageW")) return std::wstring();
  // The texts of the codes the stand-in and the program's logic produce,
  // worded as the system words them.
  static const std::map<std::uint32_t, std::wstring> texts = {
      {error::Success, L"The operation completed successfully.\r\n"},
      {error::FileNotFound, L"The system cannot find the file specified.\r\n"},
      {error::PathNotFound, L"The system cannot find the path specified.\r\n"},
      {error::AccessDenied, L"Access is denied.\r\n"},
      {error::InvalidHandle, L"The handle is invalid.\r\n"},
      {error::NotEnoughMemory,
       L"Not enough memory resources are available to process this command.\r\n"},
      {error::BadFormat, L"An attempt was made to load a program with an incorrect format.\r\n"},
      {error::OutOfMemory, L"Not enough storage is available to complete this operation.\r\n"},
      {error::SharingViolation,
       L"The process cannot access the file because it is being used by another process.\r\n"},
      {error::InvalidParameter, L"The parameter is incorrect.\r\n"},
      {error::InvalidName,
       L"The filename, directory name, or volume label syntax is incorrect.\r\n"},
      {error::AlreadyExists, L"Cannot create a file when that file already exists.\r\n"},
      {error::InvalidServiceControl, L"The requested control is not valid for this service.\r\n"},
      {error::ServiceAlreadyRunning, L"An instance of the service is already running.\r\n"},
      {error::ServiceDoesNotExist,
       L"The specified service does not exist as an installed service.\r\n"},
      {error::ServiceNotActive, L"The service has not been started.\r\n"},
      {error::FailedServiceControllerConnect,
       L"The service process could not connect to the service controller.\r\n"},
      {error::ExceptionInService,
       L"An exception occurred in the service when handling the control request.\r\n"},
      {error::ServiceSpecificError, L"The service has returned a service-specific error code.\r\n"},
      {error::ServiceMarkedForDelete, L"The specified service has been marked for deletion.\r\n"},
      {error::ServiceExists, L"The specified service already exists.\r\n"},
      {error::NoAssociation,
       L"No application is associated with the specified file for this operation.\r\n"},
      {error::InvalidWindowHandle, L"Invalid window handle.\r\n"},
      {error::InvalidThreadId, L"An invalid thread handle was specified.\r\n"},
  };
  auto it = texts.find(code);
  return it == texts.end() ? std::wstring() : it->second;
}

}  // namespace platform
