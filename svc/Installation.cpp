#include "svc/Installation.h"

#include <memory>
#include <optional>

#include "platform/Dialog.h"
#include "platform/EventLog.h"
#include "platform/Process.h"
#include "platform/ServiceManager.h"
#include "svc/Service.h"
#include "svc/ServiceRuntime.h"
#include "svc/ServiceSettings.h"
#include "util/Exceptions.h"

// The service manager's constants.
namespace scm = platform::svc;

const wchar_t* const InstalledText = L"Service installed successfully";
const wchar_t* const UninstalledText = L"Service uninstalled successfully";

std::wstring InstallFailureText(const std::wstring& DisplayName, const std::wstring& Message) {
  return L"Service \"" + DisplayName + L"\" failed to install with error: \"" + Message + L"\"";
}

std::wstring UninstallFailureText(const std::wstring& DisplayName, const std::wstring& Message) {
  return L"Service \"" + DisplayName + L"\" failed to uninstall with error: \"" + Message + L"\"";
}

namespace {
// The success text, followed by what the system refused, one setting a line.
std::wstring WithWarnings(const std::wstring& Text, const std::vector<std::wstring>& Warnings) {
  std::wstring all = Text;
  if (!Warnings.empty()) all += L"\r\n";
  for (const std::wstring& warning : Warnings) all += L"\r\n" + warning;
  return all;
}

// The code an unattended caller sees for a failed service: the platform's error
// code when there is one, else 1.
int FailureExitCode(const Exception& E) {
  if (const auto* os = dynamic_cast<const EOSError*>(&E))
    if (os->ErrorCode() != 0) return static_cast<int>(os->ErrorCode());
  return 1;
}
}  // namespace

std::wstring DependencyText(const TService& Service) {
  std::wstring text;
  const TDependencies* list = Service.Dependencies();
  for (int i = 0; i < list->Count(); ++i) {
    const TDependency* entry = list->GetItem(i);
    if (entry->IsGroup()) text += scm::GroupIdentifier;
    text += entry->Name();
    text += L'\0';
  }
  if (!text.empty()) text += L'\0';
  return text;
}

std::uint32_t StartTypeCode(const TService& Service) {
  const bool device = Service.ServiceType() == stDevice;
  switch (Service.StartType()) {
    case stBoot:
      return device ? scm::BootStart : scm::AutoStart;
    case stSystem:
      return device ? scm::SystemStart : scm::AutoStart;
    case stAuto:
      return scm::AutoStart;
    case stManual:
      return scm::DemandStart;
    case stDisabled:
      return scm::Disabled;
  }
  return scm::AutoStart;
}

std::uint32_t ErrorControlCode(const TService& Service) {
  switch (Service.ErrorSeverity()) {
    case esIgnore:
      return scm::ErrorIgnore;
    case esNormal:
      return scm::ErrorNormal;
    case esSevere:
      return scm::ErrorSevere;
    case esCritical:
      return scm::ErrorCritical;
  }
  return scm::ErrorNormal;
}

namespace {
// The event sources the program writes under: the service's name (the service's
// own entries) and the executable's file name (the application's entries and
// the log lines that miss their file).
std::vector<std::wstring> EventSources(const TService& Service) {
  return {Service.Name(), platform::ExecutableFileName()};
}

// Undoes a registration that cannot be completed; what fails here does not matter.
void UndoRegistration(const TService& Service, const platform::ServiceHandle& Registered) {
  for (const std::wstring& source : EventSources(Service)) platform::RemoveEventSourceKey(source);
  platform::DeleteService(Registered);
}
}  // namespace

void InstallOneService(TService& Service, const platform::ScmHandle& Manager) {
  std::wstring path = platform::ModuleFileName();
  // The service manager keeps the path as an expandable text and replaces every
  // %NAME% in it at each start: such a path would start another program, or
  // none, as the service. It is refused before anything is registered.
  if (path.find(L'%') != std::wstring::npos) RaiseLastOSError(platform::error::BadPathname);
  if (path.find(L' ') != std::wstring::npos) path = L"\"" + path + L"\"";
  if (Service.BeforeInstall()) Service.BeforeInstall()(&Service);

  // Everything below is read after BeforeInstall, which may still change it.
  std::uint32_t tag = Service.TagID();
  platform::ServiceRegistration r;
  r.ServiceName = Service.Name();
  r.DisplayName = Service.DisplayName();
  r.DesiredAccess = scm::ServiceAllAccess;
  r.ServiceType = ServiceTypeFlags(Service);
  r.StartType = StartTypeCode(Service);
  r.ErrorControl = ErrorControlCode(Service);
  r.BinaryPathName = path;
  r.LoadOrderGroup = Service.LoadGroup();
  r.TagId = tag != 0 ? &tag : nullptr;
  r.Dependencies = DependencyText(Service);
  if (!Service.ServiceStartName().empty()) r.ServiceStartName = Service.ServiceStartName();
  r.Password = Service.Password();

  const platform::ServiceHandle service = platform::CreateService(Manager, r);
  const std::uint32_t error = platform::LastError();
  Service.SetTagID(tag);
  if (!service) RaiseLastOSError(error);
  // Event viewers read the entries' texts from the executable's message table.
  for (const std::wstring& source : EventSources(Service)) {
    if (!platform::WriteEventSourceKey(source, platform::ModuleFileName(),
                                       platform::eventlog::TypesSupported)) {
      const std::uint32_t code = platform::LastError();
      UndoRegistration(Service, service);
      RaiseLastOSError(code);
    }
  }
  if (Service.AfterInstall()) {
    try {
      Service.AfterInstall()(&Service);
    } catch (const Exception&) {
      UndoRegistration(Service, service);
      throw;
    }
  }
}

void RemoveOneService(TService& Service, const platform::ScmHandle& Manager) {
  if (Service.BeforeUninstall()) Service.BeforeUninstall()(&Service);
  // Every step is tried even after one fails: a service removed by other means
  // (sc delete) or a key that resists still leaves the rest to clean up. The
  // first failure, in this order, is the one reported.
  std::optional<std::uint32_t> failure;
  const auto note = [&failure](bool done) {
    if (!done && !failure) failure = platform::LastError();
  };
  {
    const platform::ServiceHandle service =
        platform::OpenService(Manager, Service.Name(), scm::ServiceAllAccess);
    note(service && platform::DeleteService(service));
  }
  for (const std::wstring& source : EventSources(Service))
    note(platform::RemoveEventSourceKey(source));
  if (failure) RaiseLastOSError(*failure);
  if (Service.AfterUninstall()) Service.AfterUninstall()(&Service);
}

void ShowResult(const std::wstring& Text, TResultKind Kind) {
  if (platform::IsConsole()) {
    platform::WriteStdOut(Text + L"\r\n");
    return;
  }
  const bool error = Kind == TResultKind::Error;
  platform::ShowMessageBox(
      0, Text, error ? L"Error" : L"Information",
      platform::dialog::Ok | platform::dialog::TaskModal |
          (error ? platform::dialog::IconError : platform::dialog::IconInformation));
}

std::wstring WithInstallWarnings(const std::wstring& Text, const std::vector<TService*>& Services) {
  std::wstring result = Text;
  for (TService* service : Services) {
    std::wstring warning;
    try {
      warning = service->InstallWarning();
    } catch (const Exception& E) {
      // The registration stands; a note that cannot be made says why.
      warning = E.Message();
    }
    if (!warning.empty()) result += L"\r\n\r\n" + warning;
  }
  return result;
}

int SetupServiceList(const std::vector<TService*>& Services, bool Install, bool Silent,
                     bool Watch) {
  bool success = true;
  int exitCode = 0;
  std::vector<std::wstring> warnings;
  const platform::ScmHandle manager = platform::OpenSCManager(scm::ManagerAllAccess);
  if (!manager) RaiseLastOSError();
  for (TService* service : Services) {
    try {
      if (Install) {
        InstallOneService(*service, manager);
        for (std::wstring& text : ApplyInstallSettings(*service, manager, Watch))
          warnings.push_back(std::move(text));
      } else {
        RemoveOneService(*service, manager);
        RemoveInstallSettings(*service);
      }
    } catch (const Exception& E) {
      success = false;
      if (exitCode == 0) exitCode = FailureExitCode(E);
      ShowResult(Install ? InstallFailureText(service->DisplayName(), E.Message())
                         : UninstallFailureText(service->DisplayName(), E.Message()),
                 TResultKind::Error);
    }
  }
  if (success && !Silent)
    ShowResult(Install ? WithInstallWarnings(WithWarnings(InstalledText, warnings), Services)
                       : UninstalledText,
               TResultKind::Information);
  return exitCode;
}
