#include "platform/ServiceConfig.h"

#include <windows.h>

#include <vector>

#include "platform/win32/Win32Support.h"

namespace platform {

namespace {
SC_HANDLE ToSC(const ServiceHandle& service) { return reinterpret_cast<SC_HANDLE>(service.Get()); }

const std::wstring kServices = L"SYSTEM\\CurrentControlSet\\Services\\";

std::wstring ParametersKey(const std::wstring& service) {
  return kServices + service + L"\\Parameters";
}

// The registry calls return their error instead of setting the last error.
bool Succeeded(LSTATUS status) {
  if (status == ERROR_SUCCESS) return true;
  ::SetLastError(static_cast<DWORD>(status));
  return false;
}
}  // namespace

bool ChangeServiceDescription(const ServiceHandle& service, const std::wstring& description) {
  std::wstring text = description;
  SERVICE_DESCRIPTIONW info{&text[0]};
  return ::ChangeServiceConfig2W(ToSC(service), SERVICE_CONFIG_DESCRIPTION, &info) != FALSE;
}

bool ChangeServiceFailureActions(const ServiceHandle& service, const FailureActions& actions) {
  std::vector<SC_ACTION> list;
  for (const FailureAction& a : actions.Actions)
    list.push_back(SC_ACTION{static_cast<SC_ACTION_TYPE>(a.Type), a.DelayMs});
  SERVICE_FAILURE_ACTIONSW info{};
  info.dwResetPeriod = actions.ResetPeriodSeconds;
  info.lpRebootMsg = nullptr;  // null: left as it is
  info.lpCommand = nullptr;
  info.cActions = static_cast<DWORD>(list.size());
  info.lpsaActions = list.empty() ? nullptr : list.data();
  return ::ChangeServiceConfig2W(ToSC(service), SERVICE_CONFIG_FAILURE_ACTIONS, &info) != FALSE;
}

bool QueryServiceFailureActions(const ServiceHandle& service, FailureActions& actions) {
  DWORD needed = 0;
  ::QueryServiceConfig2W(ToSC(service), SERVICE_CONFIG_FAILURE_ACTIONS, nullptr, 0, &needed);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  // DWORD-aligned: the record begins with DWORDs and pointers.
  std::vector<std::uintptr_t> buffer(needed / sizeof(std::uintptr_t) + 1);
  if (!::QueryServiceConfig2W(ToSC(service), SERVICE_CONFIG_FAILURE_ACTIONS,
                              reinterpret_cast<BYTE*>(buffer.data()),
                              static_cast<DWORD>(buffer.size() * sizeof(std::uintptr_t)), &needed))
    return false;
  const auto* info = reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(buffer.data());
  actions.ResetPeriodSeconds = info->dwResetPeriod;
  actions.Actions.clear();
  for (DWORD i = 0; i < info->cActions; ++i)
    actions.Actions.push_back(FailureAction{static_cast<std::uint32_t>(info->lpsaActions[i].Type),
                                            info->lpsaActions[i].Delay});
  return true;
}

bool ChangeServiceFailureActionsFlag(const ServiceHandle& service, bool failureActionsOnNonCrash) {
  SERVICE_FAILURE_ACTIONS_FLAG info{failureActionsOnNonCrash ? TRUE : FALSE};
  return ::ChangeServiceConfig2W(ToSC(service), SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &info) !=
         FALSE;
}

std::optional<std::uint32_t> ReadServiceParameter(const std::wstring& service,
                                                  const std::wstring& name) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ParametersKey(service).c_str(), 0, KEY_QUERY_VALUE,
                      &raw) != ERROR_SUCCESS)
    return std::nullopt;
  const win32::UniqueRegistryKey key(raw);
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  if (::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data),
                         &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof data)
    return std::nullopt;
  return data;
}

bool WriteServiceParameter(const std::wstring& service, const std::wstring& name,
                           std::uint32_t data) {
  HKEY raw = nullptr;
  if (!Succeeded(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, ParametersKey(service).c_str(), 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &raw, nullptr)))
    return false;
  const win32::UniqueRegistryKey key(raw);
  const DWORD value = data;
  return Succeeded(::RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&value), sizeof value));
}

bool RemoveServiceParameters(const std::wstring& service) {
  // The key holds values only: RegDeleteKeyW removes it with them.
  const LSTATUS status = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, ParametersKey(service).c_str());
  return status == ERROR_FILE_NOT_FOUND || Succeeded(status);
}

}  // namespace platform
