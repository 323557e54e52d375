// Registration and removal of the application's services with the service
// manager, and how their outcome is shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ServiceManager.h"

class TService;

enum class TResultKind { Error, Information };

// The result texts; the failure texts take the service's display name and the
// failure's message, in that order.
std::wstring InstallFailureText(const std::wstring& DisplayName, const std::wstring& Message);
std::wstring UninstallFailureText(const std::wstring& DisplayName, const std::wstring& Message);
extern const wchar_t* const InstalledText;    // "Service installed successfully"
extern const wchar_t* const UninstalledText;  // "Service uninstalled successfully"

// The dependency list in the service manager's form: each name ("+" before a
// group) followed by a zero, then one more zero; empty with no entries.
std::wstring DependencyText(const TService& Service);
std::uint32_t StartTypeCode(const TService& Service);
std::uint32_t ErrorControlCode(const TService& Service);

// Raise what SetupServiceList catches.
void InstallOneService(TService& Service, const platform::ScmHandle& Manager);
void RemoveOneService(TService& Service, const platform::ScmHandle& Manager);

// The success text followed, after a blank line each, by every service's
// InstallWarning that is not empty.
std::wstring WithInstallWarnings(const std::wstring& Text, const std::vector<TService*>& Services);

// Registers (Install) or removes each service in order, showing each failure
// and, unless Silent, the success with the settings the system refused.
// Watch (with Install) turns watch mode on. Returns 0, or the exit code of
// the first failure. A service manager that cannot be opened raises EOSError.
int SetupServiceList(const std::vector<TService*>& Services, bool Install, bool Silent,
                     bool Watch = false);

// A console program writes the text and a line end to standard output; a
// windowed one shows a modal box, centred, with one OK button.
void ShowResult(const std::wstring& Text, TResultKind Kind);
