// The registration half of the stand-in service manager: registrations live in
// memory, with the platform's error codes. As on Windows, a deleted service is
// only marked; it disappears when its last handle is closed.
#include "platform/standin/ServiceRegistry.h"

#include <cwctype>
#include <map>
#include <mutex>

#include "platform/standin/Faults.h"

namespace platform {

namespace {
constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kInvalidName = 123;
constexpr std::uint32_t kMarkedForDelete = 1072;

struct Registered {
  ServiceRegistration Registration;
  bool MarkedForDelete = false;
  int OpenHandles = 0;
};

struct OpenHandle {
  bool IsManager = false;
  std::wstring Key;  // the service's key for a service handle
};

std::mutex gMutex;
std::map<std::wstring, Registered> gServices;  // by lower-cased name
std::map<Handle, OpenHandle> gHandles;
std::vector<standin::CreateServiceCall> gCalls;
Handle gNextHandle = 0x5C0000;
std::uint32_t gNextTag = 1;

std::wstring Key(const std::wstring& name) {
  std::wstring key = name;
  for (auto& c : key) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return key;
}

Handle NewHandle(bool isManager, const std::wstring& key) {
  const Handle handle = gNextHandle;
  gNextHandle += 8;
  gHandles[handle] = OpenHandle{isManager, key};
  if (!isManager) ++gServices[key].OpenHandles;
  return handle;
}

bool IsManager(Handle handle) {
  auto it = gHandles.find(handle);
  return it != gHandles.end() && it->second.IsManager;
}

bool Fails(const char* function) {
  std::uint32_t code = 0;
  return standin::TakeFault(function, code);
}
}  // namespace

ScmHandle OpenSCManager(std::uint32_t /*desiredAccess*/) {
  if (Fails("OpenSCManagerW")) return {};
  std::lock_guard<std::mutex> lock(gMutex);
  return ScmHandle(NewHandle(true, std::wstring()));
}

ServiceHandle CreateService(const ScmHandle& manager, const ServiceRegistration& registration) {
  std::lock_guard<std::mutex> lock(gMutex);
  standin::CreateServiceCall call{manager.Get(), registration, std::nullopt};
  if (registration.TagId) call.TagIn = *registration.TagId;
  gCalls.push_back(call);
  std::uint32_t code = 0;
  if (standin::TakeFault("CreateServiceW", code)) return {};
  if (!IsManager(manager.Get())) {
    SetLastError(kInvalidHandle);
    return {};
  }
  if (registration.ServiceName.empty() || registration.BinaryPathName.empty()) {
    SetLastError(kInvalidName);
    return {};
  }
  const std::wstring key = Key(registration.ServiceName);
  auto it = gServices.find(key);
  if (it != gServices.end()) {
    SetLastError(it->second.MarkedForDelete ? kMarkedForDelete : error::ServiceExists);
    return {};
  }
  if (registration.TagId) *registration.TagId = gNextTag++;
  Registered& entry = gServices[key];
  entry.Registration = registration;
  entry.Registration.TagId = nullptr;
  return ServiceHandle(NewHandle(false, key));
}

ServiceHandle OpenService(const ScmHandle& manager, const std::wstring& serviceName,
                          std::uint32_t /*desiredAccess*/) {
  if (Fails("OpenServiceW")) return {};
  std::lock_guard<std::mutex> lock(gMutex);
  if (!IsManager(manager.Get())) {
    SetLastError(kInvalidHandle);
    return {};
  }
  const std::wstring key = Key(serviceName);
  auto it = gServices.find(key);
  if (it == gServices.end()) {
    SetLastError(error::ServiceDoesNotExist);
    return {};
  }
  return ServiceHandle(NewHandle(false, key));
}

bool DeleteService(const ServiceHandle& service) {
  if (Fails("DeleteService")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  auto handle = gHandles.find(service.Get());
  if (handle == gHandles.end() || handle->second.IsManager) {
    SetLastError(kInvalidHandle);
    return false;
  }
  Registered& entry = gServices[handle->second.Key];
  if (entry.MarkedForDelete) {
    SetLastError(kMarkedForDelete);
    return false;
  }
  entry.MarkedForDelete = true;
  return true;
}

bool CloseServiceHandle(Handle handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gHandles.find(handle);
  if (it == gHandles.end()) {
    SetLastError(kInvalidHandle);
    return false;
  }
  if (!it->second.IsManager) {
    auto service = gServices.find(it->second.Key);
    if (service != gServices.end() && --service->second.OpenHandles == 0 &&
        service->second.MarkedForDelete)
      gServices.erase(service);
  }
  gHandles.erase(it);
  return true;
}

void standin::ResetServiceRegistry() {
  std::lock_guard<std::mutex> lock(gMutex);
  gServices.clear();
  gHandles.clear();
  gCalls.clear();
  gNextTag = 1;
}

std::vector<standin::CreateServiceCall> standin::CreateServiceCalls() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gCalls;
}

std::optional<ServiceRegistration> standin::RegisteredService(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gServices.find(Key(name));
  if (it == gServices.end()) return std::nullopt;
  return it->second.Registration;
}

void standin::AddRegisteredService(const ServiceRegistration& registration) {
  std::lock_guard<std::mutex> lock(gMutex);
  Registered& entry = gServices[Key(registration.ServiceName)];
  entry.Registration = registration;
  entry.Registration.TagId = nullptr;
}

void standin::SetNextTag(std::uint32_t tag) {
  std::lock_guard<std::mutex> lock(gMutex);
  gNextTag = tag;
}

int standin::OpenRegistryHandles() {
  std::lock_guard<std::mutex> lock(gMutex);
  return static_cast<int>(gHandles.size());
}

}  // namespace platform
