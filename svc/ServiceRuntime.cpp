// The life of one service from the dispatcher's start request to its stopped
// report: routing, the control handler's posts, the control operations and the
// status reports.
#include "svc/ServiceRuntime.h"

#include <mutex>

#include "platform/Compare.h"
#include "platform/Messages.h"
#include "svc/EventLogger.h"
#include "svc/ServiceApplication.h"
#include "svc/ServiceThread.h"
#include "util/Exceptions.h"

namespace {
// The check-point rule spans every service of the process; the lock only keeps
// a report from another service's thread from tearing the pair.
std::mutex gReportLock;
TCurrentStatus gLastReportedStatus = csStartPending;
std::uint32_t gStatusCheckPoint = 0;

bool IsPending(TCurrentStatus Status) {
  return Status == csStartPending || Status == csStopPending || Status == csContinuePending ||
         Status == csPausePending;
}

std::uint32_t ReportedState(TCurrentStatus Status) {
  switch (Status) {
    case csStopped:
      return platform::svc::Stopped;
    case csStartPending:
      return platform::svc::StartPending;
    case csStopPending:
      return platform::svc::StopPending;
    case csRunning:
      return platform::svc::Running;
    case csContinuePending:
      return platform::svc::ContinuePending;
    case csPausePending:
      return platform::svc::PausePending;
    case csPaused:
      return platform::svc::Paused;
  }
  return platform::svc::Stopped;
}
}  // namespace

const std::array<std::wstring, 5>& ControlActionWords() {
  static const std::array<std::wstring, 5> words = {L"stop", L"pause", L"continue", L"interrogate",
                                                    L"shutdown"};
  return words;
}

TCurrentStatus LastReportedStatus() {
  std::lock_guard<std::mutex> lock(gReportLock);
  return gLastReportedStatus;
}

std::uint32_t StatusCheckPoint() {
  std::lock_guard<std::mutex> lock(gReportLock);
  return gStatusCheckPoint;
}

void ResetStatusCheckPoint() {
  std::lock_guard<std::mutex> lock(gReportLock);
  gLastReportedStatus = csStartPending;
  gStatusCheckPoint = 0;
}

std::uint32_t ServiceTypeFlags(const TService& Service) {
  switch (Service.ServiceType()) {
    case stDevice:
      return platform::svc::KernelDriver;
    case stFileSystem:
      return platform::svc::FileSystemDriver;
    case stWin32:
      break;
  }
  std::uint32_t flags = platform::svc::Win32OwnProcess;
  if (ServiceApplication != nullptr && ServiceApplication->ServiceCount() >= 2)
    flags = platform::svc::Win32ShareProcess;
  if (Service.Interactive()) flags |= platform::svc::InteractiveProcess;
  return flags;
}

std::uint32_t AcceptedControls(const TService& Service) {
  std::uint32_t accepted = platform::svc::AcceptShutdown;
  if (Service.AllowStop()) accepted |= platform::svc::AcceptStop;
  if (Service.AllowPause()) accepted |= platform::svc::AcceptPauseContinue;
  return accepted;
}

void VELMORA_WINAPI ServiceMainCallback(std::uint32_t argc, wchar_t** argv) {
  if (ServiceApplication != nullptr) ServiceApplication->StartServiceByName(argc, argv);
}

void TService::RunService(std::uint32_t argc, wchar_t** argv,
                          std::function<void()> DelayedInitialize,
                          std::function<void()> StartedUp) {
  FDelayedInitialize = std::move(DelayedInitialize);
  FStartedUp = std::move(StartedUp);
  for (std::uint32_t i = 0; i < argc; ++i) FParams.emplace_back(argv[i] != nullptr ? argv[i] : L"");
  const platform::HandlerFunction entry = GetServiceController();
  FStatusHandle = platform::RegisterServiceCtrlHandler(Name(), entry);
  if (FStatusHandle == 0) {
    const std::uint32_t code = platform::LastError();
    LogMessage(SystemErrorText(code));
    return;
  }
  HandleStart();
}

void TService::StartUpDone() {
  if (FStartedUp) FStartedUp();
}

void TService::HandleStart() {
  FRunFailed = false;
  std::wstring failure;
  bool failed = false;
  try {
    SetStatus(csStartPending);
    try {
      TServiceThread* thread = nullptr;
      {
        auto created = std::make_unique<TServiceThread>(this, FDelayedInitialize);
        thread = created.get();
        std::lock_guard<std::mutex> lock(FServiceThreadLock);
        FServiceThread = std::move(created);
      }
      thread->Resume();
      thread->WaitFor();
    } catch (...) {
      FRunFailed = true;
      ReleaseServiceThread();
      SetStatus(csStopped);
      throw;
    }
    ReleaseServiceThread();
    SetStatus(csStopped);
  } catch (const Exception& E) {
    FRunFailed = true;
    failed = true;
    failure = E.Message();
  }
  if (failed) LogMessage(L"Service failed on execute: " + failure);
}

void TService::ReleaseServiceThread() {
  std::unique_ptr<TServiceThread> released;
  {
    std::lock_guard<std::mutex> lock(FServiceThreadLock);
    released = std::move(FServiceThread);
  }
}

bool TService::HandleStop() {
  SetStatus(csStopPending);
  bool Stopped = true;
  if (FOnStop) FOnStop(this, Stopped);
  if (Stopped) TerminateServiceThread();
  return Stopped;
}

bool TService::HandlePause() {
  SetStatus(csPausePending);
  bool Paused = true;
  if (FOnPause) FOnPause(this, Paused);
  if (Paused) {
    SetStatus(csPaused);
    // Only the service thread itself runs this, so the thread outlives the wait.
    if (TServiceThread* thread = ServiceThread()) thread->Suspend();
  }
  return Paused;
}

bool TService::HandleContinue() {
  SetStatus(csContinuePending);
  bool Continued = true;
  if (FOnContinue) FOnContinue(this, Continued);
  if (Continued) SetStatus(csRunning);
  return Continued;
}

void TService::HandleInterrogate() { ReportStatus(); }

void TService::HandleShutdown() {
  SetStatus(csStopPending);
  try {
    if (FOnShutdown) FOnShutdown(this);
  } catch (...) {
    TerminateServiceThread();
    throw;
  }
  TerminateServiceThread();
}

bool TService::HandleCustomControl(std::uint32_t) { return true; }

void TService::TerminateServiceThread() {
  std::lock_guard<std::mutex> lock(FServiceThreadLock);
  if (FServiceThread) FServiceThread->Terminate();
}

void TService::PostControlCode(std::uint32_t Code) {
  // Runs on the dispatcher thread: a post under the lock, never a wait for the
  // service. No thread (not yet stored, or released): the request is dropped,
  // as one posted to a thread without a queue would be.
  std::lock_guard<std::mutex> lock(FServiceThreadLock);
  if (!FServiceThread) return;
  platform::PostThreadMessage(FServiceThread->ThreadID(), ServiceControlMessage, Code, 0);
  // A pause waits on the queue, which the post has just filled: no resume.
}

void TService::SetStatus(TCurrentStatus Value) {
  FStatus = Value;
  ReportStatus();
}

void TService::ReportStatus() {
  platform::ServiceStatus record;
  record.ServiceType = ServiceTypeFlags(*this);
  record.CurrentState = ReportedState(FStatus);
  record.ControlsAccepted = FStatus == csStartPending ? 0 : AcceptedControls(*this);
  record.Win32ExitCode = FErrCode != 0 ? platform::error::ServiceSpecificError : FWin32ErrorCode;
  if (FStatus == csStopped && FRunFailed && FErrCode == 0 && FWin32ErrorCode == 0)
    record.Win32ExitCode = platform::error::ExceptionInService;
  record.ServiceSpecificExitCode = FErrCode;
  {
    std::lock_guard<std::mutex> lock(gReportLock);
    const std::uint32_t checkPoint =
        IsPending(FStatus) && FStatus == gLastReportedStatus ? gStatusCheckPoint + 1 : 0;
    gLastReportedStatus = FStatus;
    gStatusCheckPoint = checkPoint;
    record.CheckPoint = checkPoint;
  }
  record.WaitHint = static_cast<std::uint32_t>(FWaitHint);
  if (!platform::SetServiceStatus(FStatusHandle, record)) {
    const std::uint32_t code = platform::LastError();
    LogMessage(SystemErrorText(code));
  }
}

void TService::LogMessage(const std::wstring& Message, std::uint32_t EventType,
                          std::int32_t Category, std::int32_t ID) {
  if (!FEventLogger) FEventLogger = std::make_unique<TEventLogger>(Name());
  FEventLogger->LogMessage(Message, EventType, static_cast<std::uint16_t>(Category & 0xFFFF),
                           static_cast<std::uint32_t>(ID));
}
