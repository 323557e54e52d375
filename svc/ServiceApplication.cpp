#include "svc/ServiceApplication.h"

#include <exception>
#include <vector>

#include "platform/Application.h"
#include "platform/Compare.h"
#include "platform/EventLog.h"
#include "platform/Process.h"
#include "svc/EventLogger.h"
#include "svc/ExitProcs.h"
#include "svc/Installation.h"
#include "svc/Service.h"
#include "svc/ServiceRuntime.h"
#include "svc/ServiceStartThread.h"
#include "svc/Switches.h"
#include "svc/Usage.h"
#include "util/Exceptions.h"

TServiceApplication* ServiceApplication = nullptr;

TServiceApplication::TServiceApplication(TComponent* AOwner)
    : TComponent(AOwner),
      FDelayInitialize(false),
      FEventLogger(std::make_unique<TEventLogger>(platform::ExecutableFileName())),
      FInitialized(false) {
  HookWindowedApplication();
}

TServiceApplication::~TServiceApplication() {
  // The logger goes first, deregistering its source; the services go with the
  // component base.
  std::unique_ptr<TEventLogger> logger = std::move(FEventLogger);
  logger.reset();
  UnhookWindowedApplication();
}

void TServiceApplication::Initialize() {
  if (FInitialized) return;
  FInitialized = true;
  // The windowed application: no main form shown, COM for the calling thread.
  if (platform::Application) {
    platform::Application->SetShowMainForm(false);
    platform::Application->Initialize();
  }
}

int TServiceApplication::ServiceCount() const {
  int count = 0;
  for (int i = 0; i < ComponentCount(); ++i)
    if (dynamic_cast<TService*>(Components(i)) != nullptr) ++count;
  return count;
}

TService* TServiceApplication::Services(int Index) const {
  for (int i = 0; i < ComponentCount(); ++i) {
    TService* service = dynamic_cast<TService*>(Components(i));
    if (service != nullptr && Index-- == 0) return service;
  }
  return nullptr;
}

bool TServiceApplication::Installing() const {
  return HasSwitch(L"INSTALL") || HasSwitch(L"UNINSTALL");
}

void TServiceApplication::StartServiceByName(std::uint32_t argc, wchar_t** argv) {
  if (argc == 0 || argv == nullptr || argv[0] == nullptr) return;
  const std::wstring name = argv[0];
  for (int i = 0; i < ComponentCount(); ++i) {
    TService* service = dynamic_cast<TService*>(Components(i));
    if (service != nullptr && platform::SameTextIgnoreCase(name, service->Name())) {
      service->RunService(
          argc, argv,
          [this] {
            if (DelayInitialize()) Initialize();
          },
          [this] { HostStartUpDue(); });
      // However the run ended, and whether or not the service said so.
      HostStartUpDue();
      return;
    }
  }
}

void TServiceApplication::HostStartUpDue() {
  if (FHostStartUpDue.exchange(true)) return;
  if (platform::Application) platform::Application->Wake();
}

void TServiceApplication::SetupServices(bool Install, bool Silent) {
  std::vector<TService*> services;
  for (int i = 0, count = ServiceCount(); i < count; ++i) services.push_back(Services(i));
  // /WATCH means something only with /INSTALL.
  SetExitCode(SetupServiceList(services, Install, Silent, Install && HasSwitch(L"WATCH")));
}

bool TServiceApplication::ClaimEndSession(platform::WindowMessage& Message) {
  return Message.Msg == platform::wm::EndSession;
}

void TServiceApplication::HookWindowedApplication() {
  if (!platform::Application || FEndSessionHook != 0) return;
  FEndSessionHook = platform::Application->HookMainWindow(
      [this](platform::WindowMessage& Message) { return ClaimEndSession(Message); });
}

void TServiceApplication::UnhookWindowedApplication() {
  if (!platform::Application) return;
  platform::Application->SetOnException(nullptr);
  if (FEndSessionHook != 0) platform::Application->UnhookMainWindow(FEndSessionHook);
  FEndSessionHook = 0;
}

void TServiceApplication::LogException(const Exception& E) {
  FEventLogger->LogMessage(E.Message(), platform::eventlog::Error, platform::eventlog::NoCategory,
                           platform::eventlog::NoEventId);
}

void TServiceApplication::Run() { Run(std::function<void()>()); }

namespace {
void MainThreadStartUp(const std::function<void()>& StartUp) {
  if (platform::Application) platform::Application->CreateHandle();
  if (StartUp) StartUp();
}
}  // namespace

void TServiceApplication::Run(const std::function<void()>& StartUp) {
  AddExitProc(&CleanUpAtExit);
  if (HasSwitch(L"INSTALL")) {
    MainThreadStartUp(StartUp);
    SetupServices(true, HasSwitch(L"SILENT"));
    return;
  }
  if (HasSwitch(L"UNINSTALL")) {
    MainThreadStartUp(StartUp);
    SetupServices(false, HasSwitch(L"SILENT"));
    return;
  }

  platform::TApplication* app = platform::Application;
  if (!app) throw Exception(L"The windowed application does not exist");
  app->SetOnException([this](std::exception_ptr Failure) {
    try {
      std::rethrow_exception(Failure);
    } catch (const Exception& E) {
      LogException(E);
    }
  });

  const int count = ServiceCount();
  auto table = std::make_shared<std::vector<platform::ServiceTableEntry>>(
      static_cast<std::size_t>(count) + 1, platform::ServiceTableEntry{nullptr, nullptr});
  for (int i = 0; i < count; ++i) {
    // The service's own name, borrowed for the dispatcher's whole run.
    (*table)[static_cast<std::size_t>(i)].ServiceName =
        const_cast<wchar_t*>(Services(i)->Name().c_str());
    (*table)[static_cast<std::size_t>(i)].ServiceProc = &ServiceMainCallback;
  }

  // Freed on every way out, which waits for the dispatcher to return.
  auto startThread = std::make_unique<TServiceStartThread>(table);
  // The main thread's own start-up (the hidden window, COM) loads libraries,
  // and while a library loads no other thread of the process can start or
  // load one: it waits until the service has launched what it starts
  // (StartUpDone), or its run has ended, or the dispatcher has returned. The
  // quit that ends the loop goes to the main thread's queue, which exists
  // since the windowed application does: it waits there for the loop however
  // soon the dispatcher returns.
  bool startedUp = false;
  while (!app->Terminated()) {
    if (!startedUp && FHostStartUpDue) {
      startedUp = true;
      MainThreadStartUp(StartUp);
    }
    try {
      app->HandleMessage();
    } catch (const Exception& E) {
      LogException(E);
    }
  }
  if (!startedUp) MainThreadStartUp(StartUp);
  app->Terminate();
  const std::int32_t code = startThread->ReturnValue();
  if (code != 0) {
    FEventLogger->LogMessage(SystemErrorText(static_cast<std::uint32_t>(code)),
                             platform::eventlog::Error, platform::eventlog::NoCategory,
                             platform::eventlog::NoEventId);
    SetExitCode(code);
    // Only a process that the service manager did not start gets this code: a
    // person started it by hand, mistyped a switch or double-clicked it, and
    // would otherwise walk away believing the service registered.
    if (static_cast<std::uint32_t>(code) == platform::error::FailedServiceControllerConnect &&
        !HasSwitch(L"SILENT")) {
      std::vector<std::wstring> arguments = SplitCommandLine(platform::CommandLine());
      if (!arguments.empty()) arguments.erase(arguments.begin());
      ShowUsage(UsageText(platform::ExecutableFileName(), arguments));
    }
  }
}

void CleanUpAtExit() {
  if (platform::TApplication* app = platform::Application) {
    if (app->Window() != 0) platform::ShowOwnedPopups(app->Window(), false);
    app->SetShowHint(false);
    app->SetDestroying();
    app->DestroyComponents();
  }
  if (ServiceApplication) {
    ServiceApplication->SetDestroying();
    ServiceApplication->DestroyComponents();
  }
}
