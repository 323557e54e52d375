#include "svc/ServiceSettings.h"

#include "platform/EventLog.h"
#include "platform/Platform.h"
#include "svc/Installation.h"
#include "svc/Service.h"
#include "util/Exceptions.h"

const wchar_t* const WatchValueName = L"Watch";

bool WatchModeOn(const std::wstring& ServiceName) {
  const std::optional<std::uint32_t> value =
      platform::ReadServiceParameter(ServiceName, WatchValueName);
  return value && *value == 1;
}

platform::FailureActions RecoveryActions() {
  platform::FailureActions actions;
  actions.ResetPeriodSeconds = 24 * 60 * 60;
  actions.Actions = {{platform::svc::ActionRestart, 60000},
                     {platform::svc::ActionRestart, 60000},
                     {platform::svc::ActionNone, 0}};
  return actions;
}

std::wstring SettingWarningText(const std::wstring& Setting, const std::wstring& Message) {
  return L"Warning: the service is registered, but the service manager did not take its " +
         Setting + L": \"" + Message + L"\"";
}

namespace {
std::wstring SystemText(std::uint32_t Code) { return EOSError(Code).Message(); }

// The settings, each tried whatever became of the others. Wine, for one,
// answers the recovery call with success and stores nothing, so the actions
// are read back before they count as set.
std::vector<std::wstring> RefusedSettings(const TService& Service,
                                          const platform::ServiceHandle& Handle) {
  std::vector<std::wstring> refused;
  if (!Service.Description().empty() &&
      !platform::ChangeServiceDescription(Handle, Service.Description()))
    refused.push_back(SettingWarningText(L"description", SystemText(platform::LastError())));

  const platform::FailureActions wanted = RecoveryActions();
  platform::FailureActions stored;
  if (!platform::ChangeServiceFailureActions(Handle, wanted))
    refused.push_back(SettingWarningText(L"recovery actions", SystemText(platform::LastError())));
  else if (!platform::QueryServiceFailureActions(Handle, stored))
    refused.push_back(SettingWarningText(L"recovery actions", SystemText(platform::LastError())));
  else if (!(stored == wanted))
    refused.push_back(
        SettingWarningText(L"recovery actions", L"the actions read back differ from the ones set"));

  if (!platform::ChangeServiceFailureActionsFlag(Handle, true))
    refused.push_back(
        SettingWarningText(L"failure actions flag", SystemText(platform::LastError())));
  return refused;
}
}  // namespace

std::vector<std::wstring> ApplyInstallSettings(TService& Service,
                                               const platform::ScmHandle& Manager, bool Watch) {
  if (Watch && !platform::WriteServiceParameter(Service.Name(), WatchValueName, 1)) {
    const std::uint32_t code = platform::LastError();
    try {
      RemoveOneService(Service, Manager);
    } catch (const Exception&) {
      // The failure to report is the one above.
    }
    RaiseLastOSError(code);
  }
  const platform::ServiceHandle handle =
      platform::OpenService(Manager, Service.Name(), platform::svc::ServiceAllAccess);
  std::vector<std::wstring> refused;
  if (!handle)
    refused.push_back(
        SettingWarningText(L"description and recovery actions", SystemText(platform::LastError())));
  else
    refused = RefusedSettings(Service, handle);
  for (const std::wstring& text : refused) Service.LogMessage(text, platform::eventlog::Warning);
  return refused;
}

void RemoveInstallSettings(const TService& Service) {
  if (!platform::RemoveServiceParameters(Service.Name())) RaiseLastOSError();
}
