// What /INSTALL sets beyond the registration itself: the watch-mode switch in
// the service's Parameters key, the description services.msc shows, and the
// recovery actions of the service manager.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ServiceConfig.h"
#include "platform/ServiceManager.h"

class TService;

// The REG_DWORD under HKLM\SYSTEM\CurrentControlSet\Services\<name>\Parameters
// that turns watch mode on when it is 1.
extern const wchar_t* const WatchValueName;  // "Watch"

// Read at every start: true only when the value exists, is a REG_DWORD and is 1.
bool WatchModeOn(const std::wstring& ServiceName);

// Restart after 60 s on the first and the second failure, nothing after that;
// the count starts again after a day without failures.
platform::FailureActions RecoveryActions();

// The text of a setting the system refused: the registration stands.
std::wstring SettingWarningText(const std::wstring& Setting, const std::wstring& Message);

// After a successful registration: Watch = 1 when asked for, then the
// description, the recovery actions and the failure-actions flag. A refused
// description or recovery setting leaves the registration as it is; each
// such refusal becomes a warning entry under the service's event source and a
// text in the returned list. A Watch value that cannot be written undoes the
// registration and raises EOSError: the technician asked for a mode the
// service would not run in.
std::vector<std::wstring> ApplyInstallSettings(TService& Service,
                                               const platform::ScmHandle& Manager, bool Watch);

// After a removal: the Parameters key goes too (a key that is not there
// counts as removed). Raises EOSError when it cannot be removed.
void RemoveInstallSettings(const TService& Service);
