// The registration half of the service manager: thin mappings onto advapi32.
#include <windows.h>

// The seam's names are the API's own; keep the ANSI/Unicode macros out of the
// way before the seam's header is read, so its declarations name these definitions.
#undef OpenSCManager
#undef CreateService
#undef OpenService

#include "platform/ServiceManager.h"
#include "platform/win32/Win32Support.h"

namespace platform {

namespace {
Handle FromSC(SC_HANDLE handle) { return reinterpret_cast<Handle>(handle); }
SC_HANDLE ToSC(Handle handle) { return reinterpret_cast<SC_HANDLE>(handle); }
}  // namespace

ScmHandle OpenSCManager(std::uint32_t desiredAccess) {
  return ScmHandle(FromSC(::OpenSCManagerW(nullptr, nullptr, desiredAccess)));
}

ServiceHandle CreateService(const ScmHandle& manager, const ServiceRegistration& r) {
  DWORD tag = 0;
  DWORD* tagPointer = nullptr;
  if (r.TagId) {
    tag = *r.TagId;
    tagPointer = &tag;
  }
  // A dependency text carries its own zeros; c_str() adds the terminating one.
  ServiceHandle service(FromSC(::CreateServiceW(
      ToSC(manager.Get()), r.ServiceName.c_str(), r.DisplayName.c_str(), r.DesiredAccess,
      r.ServiceType, r.StartType, r.ErrorControl, r.BinaryPathName.c_str(),
      win32::TextOrNull(r.LoadOrderGroup), tagPointer, win32::TextOrNull(r.Dependencies),
      win32::TextOrNull(r.ServiceStartName), win32::TextOrNull(r.Password))));
  const DWORD error = ::GetLastError();
  if (r.TagId) *r.TagId = tag;
  ::SetLastError(error);
  return service;
}

ServiceHandle OpenService(const ScmHandle& manager, const std::wstring& serviceName,
                          std::uint32_t desiredAccess) {
  return ServiceHandle(
      FromSC(::OpenServiceW(ToSC(manager.Get()), serviceName.c_str(), desiredAccess)));
}

bool DeleteService(const ServiceHandle& service) {
  return ::DeleteService(ToSC(service.Get())) != FALSE;
}

bool CloseServiceHandle(Handle handle) { return ::CloseServiceHandle(ToSC(handle)) != FALSE; }

}  // namespace platform
