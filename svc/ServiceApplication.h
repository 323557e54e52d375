// The service application: the one owner of the process's services. It chooses
// the mode from the command line and, in a service process, runs the service
// manager's dispatcher on a thread of its own while the main thread runs a loop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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
  void SetupServices(bool Install, bool Silent);
  TEventLogger* EventLogger() const { return FEventLogger.get(); }

private:
  bool FDelayInitialize = false;
  std::unique_ptr<TEventLogger> FEventLogger;
  bool FInitialized = false;
};

// The process's one service application; null before start-up and after shut-down.
extern TServiceApplication* ServiceApplication;

// True when the command line carries Switch introduced by '-' or '/'.
bool HasSwitch(const std::wstring& Switch);
