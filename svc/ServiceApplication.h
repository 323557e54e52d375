// The service application: the one owner of the process's services. It chooses
// the mode from the command line and, in a service process, runs the service
// manager's dispatcher on a thread of its own (svc/ServiceStartThread.h) while
// the main thread runs a loop. Registration is svc/Installation.h, the switches
// svc/Switches.h, the exit procedures svc/ExitProcs.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Application.h"
#include "svc/Component.h"

class TService;
class TEventLogger;

class TServiceApplication : public TComponent {
public:
  explicit TServiceApplication(TComponent* AOwner);
  ~TServiceApplication() override;
  std::wstring ClassName() const override { return L"TServiceApplication"; }

  // Builds a service of class T owned by the application and stores it in
  // Reference once its construction has completed (empty if it failed).
  template <class T>
  void CreateForm(T*& Reference) {
    Reference = nullptr;
    Reference = TComponent::CreateOwned<T>(this);
  }

  virtual void Initialize();
  virtual void Run();
  // Run with the main thread's own start-up (the hidden window is made first):
  // before registration or removal; in a service process only once the
  // service's start-up path is done (HostStartUpDue), so that the service
  // manager's connection and the service's start do not wait for what no one
  // outside the process can see. It runs in every case, once.
  void Run(const std::function<void()>& StartUp);
  virtual void LogException(const class Exception& E);

  bool DelayInitialize() const { return FDelayInitialize; }
  void SetDelayInitialize(bool Value) { FDelayInitialize = Value; }
  bool Initialized() const { return FInitialized; }
  // The owned components that are services, counted anew on every read.
  int ServiceCount() const;
  // The i-th owned service, skipping components that are not services.
  TService* Services(int Index) const;

  bool Installing() const;
  void StartServiceByName(std::uint32_t argc, wchar_t** argv);
  // From any thread, once or more: a service's start-up path is done (its
  // StartUpDone, or the end of its run); the main thread's start-up runs next.
  void HostStartUpDue();
  void SetupServices(bool Install, bool Silent);
  TEventLogger* EventLogger() const { return FEventLogger.get(); }

  // The process exit code that Run leaves: 0, or the code of the first failure
  // of a registration run or of the dispatcher, so that unattended callers can
  // tell a failed run from a good one.
  int ExitCode() const { return FExitCode; }
  // Keeps the first non-zero code.
  void SetExitCode(int Code) {
    if (FExitCode == 0) FExitCode = Code;
  }

  // Main-window hook: claims WM_ENDSESSION, so that a user's log-off does not end
  // the service process.
  bool ClaimEndSession(platform::WindowMessage& Message);
  // Registers / removes ClaimEndSession with the windowed application (if any);
  // the destructor also clears the application's OnException.
  void HookWindowedApplication();
  void UnhookWindowedApplication();

private:
  bool FDelayInitialize = false;
  std::unique_ptr<TEventLogger> FEventLogger;
  bool FInitialized = false;
  int FExitCode = 0;
  int FEndSessionHook = 0;
  std::atomic<bool> FHostStartUpDue{false};
};

// The exit procedure that Run registers: hides the window's pop-ups and destroys
// the services before the application itself is freed.
void CleanUpAtExit();

// The process's one service application; null before start-up and after shut-down.
extern TServiceApplication* ServiceApplication;
