// Test controls of the stand-in service manager's registrations.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/ServiceConfig.h"
#include "platform/ServiceManager.h"

namespace platform::standin {

// The arguments of one CreateService call as they were passed.
struct CreateServiceCall {
  Handle Manager = 0;
  ServiceRegistration Arguments;       // TagId: the pointer as passed
  std::optional<std::uint32_t> TagIn;  // what the tag pointer held, when one was passed
};

// Every CreateService call, in order, including the failed ones.
std::vector<CreateServiceCall> CreateServiceCalls();
// The registration kept under a name (names compare without case), if any.
std::optional<ServiceRegistration> RegisteredService(const std::wstring& name);
// Registers a service as if some other program had done it.
void AddRegisteredService(const ServiceRegistration& registration);
// The tag the next registration with a tag pointer receives.
void SetNextTag(std::uint32_t tag);
// Manager and service handles not closed yet.
int OpenRegistryHandles();

// What ChangeServiceConfig2W stored for a registration.
struct ServiceSettings {
  std::optional<std::wstring> Description;
  std::optional<FailureActions> Actions;
  bool FailureActionsOnNonCrash = false;
};
std::optional<ServiceSettings> RegisteredSettings(const std::wstring& name);

// A value of a Parameters key: a REG_DWORD, or text (any other type).
using ParameterData = std::variant<std::uint32_t, std::wstring>;
// The values of a service's Parameters key by folded name; nullopt: no key.
std::optional<std::map<std::wstring, ParameterData>> ServiceParameters(const std::wstring& service);
// Sets a value as `reg add` would (creating the key); nullopt removes the value
// and leaves the key.
void SetServiceParameter(const std::wstring& service, const std::wstring& name,
                         std::optional<ParameterData> data);

}  // namespace platform::standin
