// The registration half of the stand-in service manager: registrations live in
// memory, with the platform's error codes. As on Windows, a deleted service is
// only marked; it disappears when its last handle is closed.
#include "platform/standin/ServiceRegistry.h"

#include <map>
#include <mutex>

#include "platform/ServiceConfig.h"
#include "platform/standin/Internal.h"

namespace platform {

namespace {
constexpr Handle kFirstHandle = 0x5C0000;

struct Registered {
  ServiceRegistration Registration;
  standin::ServiceSettings Settings;
  bool MarkedForDelete = false;
  int OpenHandles = 0;
};

struct OpenHandle {
  bool IsManager = false;
  std::wstring Key;  // the service's key for a service handle
};

std::mutex gMutex;
std::map<std::wstring, Registered> gServices;  // by folded name
std::map<Handle, OpenHandle> gHandles;
std::vector<standin::CreateServiceCall> gCalls;
Handle gNextHandle = kFirstHandle;
std::uint32_t gNextTag = 1;
// The Parameters keys, by folded service name, then folded value name. A key
// may exist without a registration, as one made with `reg add` can.
std::map<std::wstring, std::map<std::wstring, standin::ParameterData>> gParameters;

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
}  // namespace

ScmHandle OpenSCManager(std::uint32_t /*desiredAccess*/) {
  if (standin::Fails("OpenSCManagerW")) return {};
  std::lock_guard<std::mutex> lock(gMutex);
  return ScmHandle(NewHandle(true, std::wstring()));
}

ServiceHandle CreateService(const ScmHandle& manager, const ServiceRegistration& registration) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    standin::CreateServiceCall call{manager.Get(), registration, std::nullopt};
    if (registration.TagId) call.TagIn = *registration.TagId;
    gCalls.push_back(call);
  }
  if (standin::Fails("CreateServiceW")) return {};
  std::lock_guard<std::mutex> lock(gMutex);
  if (!IsManager(manager.Get())) {
    SetLastError(error::InvalidHandle);
    return {};
  }
  if (registration.ServiceName.empty() || registration.BinaryPathName.empty()) {
    SetLastError(error::InvalidName);
    return {};
  }
  const std::wstring key = standin::FoldName(registration.ServiceName);
  auto it = gServices.find(key);
  if (it != gServices.end()) {
    SetLastError(it->second.MarkedForDelete ? error::ServiceMarkedForDelete : error::ServiceExists);
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
  if (standin::Fails("OpenServiceW")) return {};
  std::lock_guard<std::mutex> lock(gMutex);
  if (!IsManager(manager.Get())) {
    SetLastError(error::InvalidHandle);
    return {};
  }
  const std::wstring key = standin::FoldName(serviceName);
  auto it = gServices.find(key);
  if (it == gServices.end()) {
    SetLastError(error::ServiceDoesNotExist);
    return {};
  }
  return ServiceHandle(NewHandle(false, key));
}

bool DeleteService(const ServiceHandle& service) {
  if (standin::Fails("DeleteService")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  auto handle = gHandles.find(service.Get());
  if (handle == gHandles.end() || handle->second.IsManager) {
    SetLastError(error::InvalidHandle);
    return false;
  }
  Registered& entry = gServices[handle->second.Key];
  if (entry.MarkedForDelete) {
    SetLastError(error::ServiceMarkedForDelete);
    return false;
  }
  entry.MarkedForDelete = true;
  return true;
}

bool CloseServiceHandle(Handle handle) {
  if (standin::Fails("CloseServiceHandle")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gHandles.find(handle);
  if (it == gHandles.end()) {
    SetLastError(error::InvalidHandle);
    return false;
  }
  if (!it->second.IsManager) {
    auto service = gServices.find(it->second.Key);
    if (service != gServices.end() && --service->second.OpenHandles == 0 &&
        service->second.MarkedForDelete) {
      // The service's key goes, and its Parameters key with it.
      gParameters.erase(service->first);
      gServices.erase(service);
    }
  }
  gHandles.erase(it);
  return true;
}

void standin::detail::ResetServiceRegistry() {
  std::lock_guard<std::mutex> lock(gMutex);
  gServices.clear();
  gHandles.clear();
  gCalls.clear();
  gParameters.clear();
  gNextHandle = kFirstHandle;
  gNextTag = 1;
}

std::vector<standin::CreateServiceCall> standin::CreateServiceCalls() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gCalls;
}

std::optional<ServiceRegistration> standin::RegisteredService(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gServices.find(standin::FoldName(name));
  if (it == gServices.end()) return std::nullopt;
  return it->second.Registration;
}

void standin::AddRegisteredService(const ServiceRegistration& registration) {
  std::lock_guard<std::mutex> lock(gMutex);
  Registered& entry = gServices[standin::FoldName(registration.ServiceName)];
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

namespace {
// The registration behind a service handle; gMutex is held. Null, with the
// last error set, for a handle that is not an open service handle.
Registered* ServiceOf(const ServiceHandle& service) {
  auto handle = gHandles.find(service.Get());
  if (handle == gHandles.end() || handle->second.IsManager) {
    SetLastError(error::InvalidHandle);
    return nullptr;
  }
  auto it = gServices.find(handle->second.Key);
  if (it == gServices.end()) {
    SetLastError(error::InvalidHandle);
    return nullptr;
  }
  if (it->second.MarkedForDelete) {
    SetLastError(error::ServiceMarkedForDelete);
    return nullptr;
  }
  return &it->second;
}
}  // namespace

namespace {
// One service-configuration call of the stand-in: the fault hook under the
// call's name, then the change or query on the service's entry, if it exists.
template <typename Work>
bool OnServiceEntry(const char* call, const ServiceHandle& service, Work work) {
  if (standin::Fails(call)) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  Registered* entry = ServiceOf(service);
  if (entry == nullptr) return false;
  work(*entry);
  return true;
}
}  // namespace

bool ChangeServiceDescription(const ServiceHandle& service, const std::wstring& description) {
  return OnServiceEntry("ChangeServiceConfig2W(DESCRIPTION)", service,
                        [&](Registered& entry) { entry.Settings.Description = description; });
}

bool ChangeServiceFailureActions(const ServiceHandle& service, const FailureActions& actions) {
  // A restart is only allowed to a handle with SERVICE_START; ours has all access.
  return OnServiceEntry("ChangeServiceConfig2W(FAILURE_ACTIONS)", service,
                        [&](Registered& entry) { entry.Settings.Actions = actions; });
}

bool QueryServiceFailureActions(const ServiceHandle& service, FailureActions& actions) {
  return OnServiceEntry("QueryServiceConfig2W(FAILURE_ACTIONS)", service, [&](Registered& entry) {
    actions = entry.Settings.Actions.value_or(FailureActions{});
  });
}

bool ChangeServiceFailureActionsFlag(const ServiceHandle& service, bool failureActionsOnNonCrash) {
  return OnServiceEntry("ChangeServiceConfig2W(FAILURE_ACTIONS_FLAG)", service,
                        [&](Registered& entry) {
                          entry.Settings.FailureActionsOnNonCrash = failureActionsOnNonCrash;
                        });
}

std::optional<std::uint32_t> ReadServiceParameter(const std::wstring& service,
                                                  const std::wstring& name) {
  if (standin::Fails("RegQueryValueExW")) return std::nullopt;
  std::lock_guard<std::mutex> lock(gMutex);
  auto key = gParameters.find(standin::FoldName(service));
  if (key == gParameters.end()) return std::nullopt;
  auto value = key->second.find(standin::FoldName(name));
  if (value == key->second.end()) return std::nullopt;
  if (const auto* dword = std::get_if<std::uint32_t>(&value->second)) return *dword;
  return std::nullopt;
}

bool WriteServiceParameter(const std::wstring& service, const std::wstring& name,
                           std::uint32_t data) {
  if (standin::Fails("RegSetValueExW")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  gParameters[standin::FoldName(service)][standin::FoldName(name)] = data;
  return true;
}

bool RemoveServiceParameters(const std::wstring& service) {
  if (standin::Fails("RegDeleteKeyW(Parameters)")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  gParameters.erase(standin::FoldName(service));
  return true;
}

std::optional<standin::ServiceSettings> standin::RegisteredSettings(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gServices.find(standin::FoldName(name));
  if (it == gServices.end()) return std::nullopt;
  return it->second.Settings;
}

std::optional<std::map<std::wstring, standin::ParameterData>> standin::ServiceParameters(
    const std::wstring& service) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gParameters.find(standin::FoldName(service));
  if (it == gParameters.end()) return std::nullopt;
  return it->second;
}

void standin::SetServiceParameter(const std::wstring& service, const std::wstring& name,
                                  std::optional<ParameterData> data) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto& key = gParameters[standin::FoldName(service)];
  if (data)
    key[standin::FoldName(name)] = *data;
  else
    key.erase(standin::FoldName(name));
}

}  // namespace platform
