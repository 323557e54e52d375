// The Windows service manager, as the service host uses it: the dispatcher and
// status reports of a running service, and the registration of services.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

namespace platform {

using ServiceMainFunction = void(VELMORA_WINAPI*)(std::uint32_t argc, wchar_t** argv);
using HandlerFunction = void(VELMORA_WINAPI*)(std::uint32_t control);

// Same layout as SERVICE_TABLE_ENTRYW; a table ends with an all-zero entry.
struct ServiceTableEntry {
  wchar_t* ServiceName;
  ServiceMainFunction ServiceProc;
};

// Same fields as SERVICE_STATUS.
struct ServiceStatus {
  std::uint32_t ServiceType = 0;
  std::uint32_t CurrentState = 0;
  std::uint32_t ControlsAccepted = 0;
  std::uint32_t Win32ExitCode = 0;
  std::uint32_t ServiceSpecificExitCode = 0;
  std::uint32_t CheckPoint = 0;
  std::uint32_t WaitHint = 0;
};

namespace svc {
// dwServiceType
constexpr std::uint32_t KernelDriver = 0x1;
constexpr std::uint32_t FileSystemDriver = 0x2;
constexpr std::uint32_t Win32OwnProcess = 0x10;
constexpr std::uint32_t Win32ShareProcess = 0x20;
constexpr std::uint32_t InteractiveProcess = 0x100;
// dwCurrentState
constexpr std::uint32_t Stopped = 1;
constexpr std::uint32_t StartPending = 2;
constexpr std::uint32_t StopPending = 3;
constexpr std::uint32_t Running = 4;
constexpr std::uint32_t ContinuePending = 5;
constexpr std::uint32_t PausePending = 6;
constexpr std::uint32_t Paused = 7;
// dwControlsAccepted
constexpr std::uint32_t AcceptStop = 1;
constexpr std::uint32_t AcceptPauseContinue = 2;
constexpr std::uint32_t AcceptShutdown = 4;
// control codes
constexpr std::uint32_t ControlStop = 1;
constexpr std::uint32_t ControlPause = 2;
constexpr std::uint32_t ControlContinue = 3;
constexpr std::uint32_t ControlInterrogate = 4;
constexpr std::uint32_t ControlShutdown = 5;
// start types and error control
constexpr std::uint32_t BootStart = 0;
constexpr std::uint32_t SystemStart = 1;
constexpr std::uint32_t AutoStart = 2;
constexpr std::uint32_t DemandStart = 3;
constexpr std::uint32_t Disabled = 4;
constexpr std::uint32_t ErrorIgnore = 0;
constexpr std::uint32_t ErrorNormal = 1;
constexpr std::uint32_t ErrorSevere = 2;
constexpr std::uint32_t ErrorCritical = 3;
// access rights
constexpr std::uint32_t ManagerAllAccess = 0xF003F;
constexpr std::uint32_t ServiceAllAccess = 0xF01FF;
constexpr wchar_t GroupIdentifier = L'+';
}  // namespace svc

// StartServiceCtrlDispatcherW: returns when every service of the process has
// stopped; false with LastError() when it fails.
bool StartServiceCtrlDispatcher(const ServiceTableEntry* table);

// RegisterServiceCtrlHandlerW: the status handle, or 0 with LastError().
Handle RegisterServiceCtrlHandler(const std::wstring& serviceName, HandlerFunction handler);

// SetServiceStatus: false with LastError().
bool SetServiceStatus(Handle statusHandle, const ServiceStatus& status);

// The arguments of CreateServiceW after the manager handle. A nullopt text is
// passed as a null pointer, an empty one as a pointer to an empty string.
struct ServiceRegistration {
  std::wstring ServiceName;
  std::wstring DisplayName;
  std::uint32_t DesiredAccess = svc::ServiceAllAccess;
  std::uint32_t ServiceType = 0;
  std::uint32_t StartType = 0;
  std::uint32_t ErrorControl = 0;
  std::wstring BinaryPathName;
  std::optional<std::wstring> LoadOrderGroup;
  std::uint32_t* TagId = nullptr;            // null: no tag asked for
  std::optional<std::wstring> Dependencies;  // zero-separated names, double-zero ended
  std::optional<std::wstring> ServiceStartName;
  std::optional<std::wstring> Password;
};

// CloseServiceHandle: how the owners below close their handles.
bool CloseServiceHandle(Handle handle);

// A service-manager handle and a service handle: both are closed the same way,
// but neither may stand for the other.
struct ScmHandleTraits {
  using Value = Handle;
  static constexpr Value Invalid() noexcept { return 0; }
  static void Close(Value value) noexcept { CloseServiceHandle(value); }
};
struct ServiceHandleTraits {
  using Value = Handle;
  static constexpr Value Invalid() noexcept { return 0; }
  static void Close(Value value) noexcept { CloseServiceHandle(value); }
};
using ScmHandle = UniqueHandle<ScmHandleTraits>;
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;

// OpenSCManagerW(null, null, access): an empty owner with LastError() on failure.
ScmHandle OpenSCManager(std::uint32_t desiredAccess);
// CreateServiceW: an empty owner with LastError() on failure.
ServiceHandle CreateService(const ScmHandle& manager, const ServiceRegistration& registration);
// OpenServiceW: an empty owner with LastError() on failure.
ServiceHandle OpenService(const ScmHandle& manager, const std::wstring& serviceName,
                          std::uint32_t desiredAccess);
// DeleteService: false with LastError().
bool DeleteService(const ServiceHandle& service);

}  // namespace platform
