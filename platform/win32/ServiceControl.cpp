// The running side of the service manager: dispatcher, control handler, status.
// Registration (OpenSCManagerW and friends) lives in its own file.
#include <windows.h>

// The seam's names are the API's names; windows.h maps them to the W calls.
#undef StartServiceCtrlDispatcher
#undef RegisterServiceCtrlHandler

#include "platform/ServiceManager.h"

namespace platform {

static_assert(sizeof(ServiceTableEntry) == sizeof(SERVICE_TABLE_ENTRYW), "table entry layout");
static_assert(sizeof(ServiceStatus) == sizeof(SERVICE_STATUS), "status layout");

bool StartServiceCtrlDispatcher(const ServiceTableEntry* table) {
  return ::StartServiceCtrlDispatcherW(reinterpret_cast<const SERVICE_TABLE_ENTRYW*>(table)) != 0;
}

Handle RegisterServiceCtrlHandler(const std::wstring& serviceName, HandlerFunction handler) {
  return reinterpret_cast<Handle>(::RegisterServiceCtrlHandlerW(
      serviceName.c_str(), reinterpret_cast<LPHANDLER_FUNCTION>(handler)));
}

bool SetServiceStatus(Handle statusHandle, const ServiceStatus& status) {
  SERVICE_STATUS record{};
  record.dwServiceType = status.ServiceType;
  record.dwCurrentState = status.CurrentState;
  record.dwControlsAccepted = status.ControlsAccepted;
  record.dwWin32ExitCode = status.Win32ExitCode;
  record.dwServiceSpecificExitCode = status.ServiceSpecificExitCode;
  record.dwCheckPoint = status.CheckPoint;
  record.dwWaitHint = status.WaitHint;
  return ::SetServiceStatus(reinterpret_cast<SERVICE_STATUS_HANDLE>(statusHandle), &record) != 0;
}

}  // namespace platform
