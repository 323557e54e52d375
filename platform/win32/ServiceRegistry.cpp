// The registration half of the service manager: thin mappings onto advapi32.
#include <windows.h>

#include "platform/ServiceManager.h"

// The seam's names are the API's own; keep the ANSI/Unicode macros out of the way.
#undef OpenSCManager
#undef CreateService
#undef OpenService

namespace platform {

namespace {
const wchar_t* TextOrNull(const std::optional<std::wstring>& text) {
  return text ? text->c_str() : nullptr;
}

Handle FromSC(SC_HANDLE handle) { return reinterpret_cast<Handle>(handle); }
SC_HANDLE ToSC(Handle handle) { return reinterpret_cast<SC_HANDLE>(handle); }
}  // namespace

Handle OpenSCManager(std::uint32_t desiredAccess) {
  return FromSC(::OpenSCManagerW(nullptr, nullptr, desiredAccess));
}

Handle CreateService(Handle manager, const ServiceRegistration& r) {
  DWORD tag = 0;
  DWORD* tagPointer = nullptr;
  if (r.TagId) {
    tag = *r.TagId;
    tagPointer = &tag;
  }
  // A dependency text carries its own zeros; c_str() adds the terminating one.
  SC_HANDLE service =
      ::CreateServiceW(ToSC(manager), r.ServiceName.c_str(), r.DisplayName.c_str(), r.DesiredAccess,
                       r.ServiceType, r.StartType, r.ErrorControl, r.BinaryPathName.c_str(),
                       TextOrNull(r.LoadOrderGroup), tagPointer, TextOrNull(r.Dependencies),
                       TextOrNull(r.ServiceStartName), TextOrNull(r.Password));
  const DWORD error = ::GetLastError();
  if (r.TagId) *r.TagId = tag;
  ::SetLastError(error);
  return FromSC(service);
}

Handle OpenService(Handle manager, const std::wstring& serviceName, std::uint32_t desiredAccess) {
  return FromSC(::OpenServiceW(ToSC(manager), serviceName.c_str(), desiredAccess));
}

bool DeleteService(Handle service) { return ::DeleteService(ToSC(service)) != FALSE; }

bool CloseServiceHandle(Handle handle) { return ::CloseServiceHandle(ToSC(handle)) != FALSE; }

}  // namespace platform
