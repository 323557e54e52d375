// Test controls of the stand-in service manager's registrations.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

}  // namespace platform::standin
