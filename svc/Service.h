// A Windows service as data (name, start type, dependencies, accepted controls,
// event handlers) and, through its run-time operations, as a running service.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/EventLog.h"
#include "platform/Platform.h"
#include "platform/ServiceManager.h"
#include "svc/Component.h"

enum TServiceType : std::uint8_t { stWin32, stDevice, stFileSystem };
enum TStartType : std::uint8_t { stBoot, stSystem, stAuto, stManual, stDisabled };
enum TErrorSeverity : std::uint8_t { esIgnore, esNormal, esSevere, esCritical };
enum TCurrentStatus : std::uint8_t {
  csStopped,
  csStartPending,
  csStopPending,
  csRunning,
  csContinuePending,
  csPausePending,
  csPaused
};

class TService;
class TServiceThread;
class TEventLogger;

// Bound handlers; an empty function means "none".
using TServiceEvent = std::function<void(TService* Sender)>;
using TStartEvent = std::function<void(TService* Sender, bool& Started)>;
using TStopEvent = std::function<void(TService* Sender, bool& Stopped)>;
using TPauseEvent = std::function<void(TService* Sender, bool& Paused)>;
using TContinueEvent = std::function<void(TService* Sender, bool& Continued)>;

class TDependency {
public:
  const std::wstring& Name() const { return FName; }
  void SetName(const std::wstring& Value) { FName = Value; }
  bool IsGroup() const { return FIsGroup; }
  void SetIsGroup(bool Value) { FIsGroup = Value; }

private:
  std::wstring FName;
  bool FIsGroup = false;
};

// The ordered dependency list of one service; it keeps its own entry objects.
class TDependencies {
public:
  explicit TDependencies(TService* AOwner) : FOwner(AOwner) {}
  TService* Owner() const { return FOwner; }
  int Count() const { return static_cast<int>(FItems.size()); }
  TDependency* Add();
  void Clear() { FItems.clear(); }
  // Items[Index]: "Argument out of range" outside 0..Count-1.
  TDependency* GetItem(int Index) const;
  void SetItem(int Index, const TDependency& Value);

private:
  TService* FOwner;
  std::vector<std::unique_ptr<TDependency>> FItems;
};

class TService : public TComponent {
public:
  // Create(AOwner): the defaults; a concrete class applies its own definition
  // over them in its constructor, through the property writers.
  explicit TService(TComponent* AOwner);
  ~TService() override;
  std::wstring ClassName() const override { return L"TService"; }

  // --- definition -----------------------------------------------------------
  bool AllowStop() const { return FAllowStop; }
  void SetAllowStop(bool Value) { FAllowStop = Value; }
  bool AllowPause() const { return FAllowPause; }
  void SetAllowPause(bool Value) { FAllowPause = Value; }
  TDependencies* Dependencies() const { return FDependencies.get(); }
  void SetDependencies(const TDependencies& Value);
  std::wstring DisplayName() const;
  void SetDisplayName(const std::wstring& Value) { FDisplayName = Value; }
  // The text services.msc shows for the service; /INSTALL sets it when not empty.
  const std::wstring& Description() const { return FDescription; }
  void SetDescription(const std::wstring& Value) { FDescription = Value; }
  TErrorSeverity ErrorSeverity() const { return FErrorSeverity; }
  void SetErrorSeverity(TErrorSeverity Value) { FErrorSeverity = Value; }
  bool Interactive() const { return FInteractive; }
  void SetInteractive(bool Value);
  const std::wstring& LoadGroup() const { return FLoadGroup; }
  void SetLoadGroup(const std::wstring& Value) { FLoadGroup = Value; }
  const std::wstring& Password() const { return FPassword; }
  void SetPassword(const std::wstring& Value);
  const std::wstring& ServiceStartName() const { return FServiceStartName; }
  void SetServiceStartName(const std::wstring& Value);
  TServiceType ServiceType() const { return FServiceType; }
  void SetServiceType(TServiceType Value) { FServiceType = Value; }
  TStartType StartType() const { return FStartType; }
  void SetStartType(TStartType Value) { FStartType = Value; }
  std::uint32_t TagID() const { return FTagID; }
  void SetTagID(std::uint32_t Value) { FTagID = Value; }
  std::int32_t WaitHint() const { return FWaitHint; }
  void SetWaitHint(std::int32_t Value) { FWaitHint = Value; }

  const TServiceEvent& BeforeInstall() const { return FBeforeInstall; }
  void SetBeforeInstall(TServiceEvent Value) { FBeforeInstall = std::move(Value); }
  const TServiceEvent& AfterInstall() const { return FAfterInstall; }
  void SetAfterInstall(TServiceEvent Value) { FAfterInstall = std::move(Value); }
  const TServiceEvent& BeforeUninstall() const { return FBeforeUninstall; }
  void SetBeforeUninstall(TServiceEvent Value) { FBeforeUninstall = std::move(Value); }
  const TServiceEvent& AfterUninstall() const { return FAfterUninstall; }
  void SetAfterUninstall(TServiceEvent Value) { FAfterUninstall = std::move(Value); }
  const TContinueEvent& OnContinue() const { return FOnContinue; }
  void SetOnContinue(TContinueEvent Value);
  const TServiceEvent& OnExecute() const { return FOnExecute; }
  void SetOnExecute(TServiceEvent Value) { FOnExecute = std::move(Value); }
  const TPauseEvent& OnPause() const { return FOnPause; }
  void SetOnPause(TPauseEvent Value);
  const TServiceEvent& OnShutdown() const { return FOnShutdown; }
  void SetOnShutdown(TServiceEvent Value) { FOnShutdown = std::move(Value); }
  const TStartEvent& OnStart() const { return FOnStart; }
  void SetOnStart(TStartEvent Value) { FOnStart = std::move(Value); }
  const TStopEvent& OnStop() const { return FOnStop; }
  void SetOnStop(TStopEvent Value);

  // --- run-time state -----------------------------------------------------------
  TCurrentStatus Status() const { return FStatus; }
  // Stores the value and reports it to the service manager, every time.
  void SetStatus(TCurrentStatus Value);
  std::uint32_t ErrCode() const { return FErrCode; }
  void SetErrCode(std::uint32_t Value) { FErrCode = Value; }
  std::uint32_t Win32ErrCode() const { return FWin32ErrorCode; }
  void SetWin32ErrCode(std::uint32_t Value) { FWin32ErrorCode = Value; }
  TServiceThread* ServiceThread() const;
  bool Terminated() const;
  int ParamCount() const { return static_cast<int>(FParams.size()); }
  // Param[Index]: "List index out of bounds (%d)" outside 0..ParamCount-1.
  std::wstring GetParam(int Index) const;
  std::wstring Param(int Index) const { return GetParam(Index); }
  platform::Handle StatusHandle() const { return FStatusHandle; }

  // --- run-time operations ----------------------------------------------------------
  virtual void HandleStart();
  virtual bool HandleStop();
  virtual bool HandlePause();
  virtual bool HandleContinue();
  virtual void HandleInterrogate();
  virtual void HandleShutdown();
  virtual bool HandleCustomControl(std::uint32_t Code);
  // The control-handler entry that the service manager calls; only a concrete
  // service can supply one, since the platform passes it no context.
  virtual platform::HandlerFunction GetServiceController() = 0;
  // A note that a successful registration adds to its result text (a warning
  // about the installed files, say); empty by default.
  virtual std::wstring InstallWarning() { return std::wstring(); }

  // DelayedInitialize, when given, runs first thing on the service thread: the
  // application's initialisation left to that thread. StartedUp, when given,
  // is what StartUpDone calls.
  void RunService(std::uint32_t argc, wchar_t** argv,
                  std::function<void()> DelayedInitialize = nullptr,
                  std::function<void()> StartedUp = nullptr);
  // Tells the host that this run's start-up path is done (what the service
  // starts has been launched, say): the host's own start-up, held back so as
  // not to slow that path, may run from then on. Any thread, any number of
  // times; the host also takes the run's end for it.
  void StartUpDone();
  void PostControlCode(std::uint32_t Code);
  void ReportStatus();
  // The service thread's record that the run ended through a failure the
  // service did not report itself: its stopped report then says so
  // (ERROR_EXCEPTION_IN_SERVICE).
  void RecordRunFailure() { FRunFailed = true; }
  void LogMessage(const std::wstring& Message, std::uint32_t EventType = platform::eventlog::Error,
                  std::int32_t Category = platform::eventlog::NoCategory,
                  std::int32_t ID = platform::eventlog::NoEventId);

private:
  bool FAllowStop = true;
  bool FAllowPause = true;
  std::unique_ptr<TDependencies> FDependencies;
  std::wstring FDisplayName;
  std::wstring FDescription;
  std::uint32_t FErrCode = 0;
  TErrorSeverity FErrorSeverity = esNormal;
  std::unique_ptr<TEventLogger> FEventLogger;
  bool FInteractive = false;
  std::wstring FLoadGroup;
  std::vector<std::wstring> FParams;
  std::wstring FPassword;
  std::wstring FServiceStartName;
  // Written by the service-main thread, read by the dispatcher thread in
  // PostControlCode: FServiceThreadLock keeps a post from using a released thread.
  std::unique_ptr<TServiceThread> FServiceThread;
  mutable std::mutex FServiceThreadLock;
  TServiceType FServiceType = stWin32;
  TStartType FStartType = stAuto;
  TCurrentStatus FStatus = csStopped;
  platform::Handle FStatusHandle = 0;
  std::uint32_t FTagID = 0;
  std::int32_t FWaitHint = 5000;
  std::uint32_t FWin32ErrorCode = 0;
  TServiceEvent FBeforeInstall;
  TServiceEvent FAfterInstall;
  TServiceEvent FBeforeUninstall;
  TServiceEvent FAfterUninstall;
  TContinueEvent FOnContinue;
  TServiceEvent FOnExecute;
  TPauseEvent FOnPause;
  TServiceEvent FOnShutdown;
  TStartEvent FOnStart;
  TStopEvent FOnStop;
  // Run-time members that only the run-time code uses go below.
  bool FRunFailed = false;                   // see RecordRunFailure
  std::function<void()> FDelayedInitialize;  // for the service thread of this run
  std::function<void()> FStartedUp;          // see StartUpDone; set before the run
  void ReleaseServiceThread();
  void TerminateServiceThread();
};
