// A registered service's settings beyond CreateServiceW (its description and
// what the service manager does when it fails), and the values a technician
// may set in its Parameters key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ServiceManager.h"

namespace platform {

namespace svc {
// SC_ACTION_TYPE
constexpr std::uint32_t ActionNone = 0;
constexpr std::uint32_t ActionRestart = 1;
}  // namespace svc

// Same meaning as SERVICE_FAILURE_ACTIONSW without the reboot message and command.
struct FailureAction {
  std::uint32_t Type = svc::ActionNone;
  std::uint32_t DelayMs = 0;
  bool operator==(const FailureAction& o) const { return Type == o.Type && DelayMs == o.DelayMs; }
};
struct FailureActions {
  std::uint32_t ResetPeriodSeconds = 0;
  std::vector<FailureAction> Actions;
  bool operator==(const FailureActions& o) const {
    return ResetPeriodSeconds == o.ResetPeriodSeconds && Actions == o.Actions;
  }
};

// ChangeServiceConfig2W(SERVICE_CONFIG_DESCRIPTION): false with LastError().
bool ChangeServiceDescription(const ServiceHandle& service, const std::wstring& description);
// ChangeServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS): false with LastError().
bool ChangeServiceFailureActions(const ServiceHandle& service, const FailureActions& actions);
// QueryServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS): false with LastError().
bool QueryServiceFailureActions(const ServiceHandle& service, FailureActions& actions);
// ChangeServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS_FLAG): with the flag set,
// a stop with a non-zero exit code counts as a failure too. False with LastError().
bool ChangeServiceFailureActionsFlag(const ServiceHandle& service, bool failureActionsOnNonCrash);

// HKLM\SYSTEM\CurrentControlSet\Services\<service>\Parameters, value <name>:
// its data when it is a REG_DWORD; nullopt when the key or value is missing,
// cannot be read or holds another type.
std::optional<std::uint32_t> ReadServiceParameter(const std::wstring& service,
                                                  const std::wstring& name);
// Creates the key when needed and sets the REG_DWORD. False with LastError().
bool WriteServiceParameter(const std::wstring& service, const std::wstring& name,
                           std::uint32_t data);
// Removes the Parameters key and its values; a key that is not there counts as
// removed. False with LastError() otherwise.
bool RemoveServiceParameters(const std::wstring& service);

}  // namespace platform
