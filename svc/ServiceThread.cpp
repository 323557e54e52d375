#include "svc/ServiceThread.h"

#include "platform/Messages.h"
#include "platform/ServiceManager.h"
#include "svc/Service.h"
#include "svc/ServiceRuntime.h"
#include "util/Exceptions.h"

TServiceThread::TServiceThread(TService* Service, std::function<void()> DelayedInitialize)
    : FService(Service), FDelayedInitialize(std::move(DelayedInitialize)) {
  std::wstring error;
  FThread = platform::Thread::Create([this] { Execute(); }, true, error);
  if (!FThread) throw EThread(L"Thread creation error: " + error);
  FThreadID = FThread->ThreadId();
}

TServiceThread::~TServiceThread() {
  // Ending a thread that never ran must not run the service.
  if (!FResumed) FCancelled = true;
  FThread.reset();
}

void TServiceThread::Resume() {
  FResumed = true;
  FThread->Resume();
}

void TServiceThread::WaitFor() { FThread->WaitFor(); }

void TServiceThread::Suspend() {
  FSuspended = true;
  platform::WaitForQueuedMessage();
  FSuspended = false;
}

void TServiceThread::Execute() {
  if (FCancelled) return;
  // The queue first, so that requests posted from now on wait in it.
  platform::ThreadMessage message;
  platform::PeekMessage(message, platform::msg::User, platform::msg::User, false);
  try {
    bool Started = true;
    try {
      if (FDelayedInitialize) FDelayedInitialize();
      FService->SetStatus(csStartPending);
      if (FService->OnStart()) FService->OnStart()(FService, Started);
    } catch (const Exception& E) {
      FService->RecordRunFailure();
      FService->LogMessage(L"Service failed on start: " + E.Message());
      return;
    }
    if (!Started) return;
    try {
      FService->SetStatus(csRunning);
      if (FService->OnExecute())
        FService->OnExecute()(FService);
      else
        ProcessRequests(true);
      ProcessRequests(false);
    } catch (const Exception& E) {
      FService->RecordRunFailure();
      FService->LogMessage(L"Service failed on execute: " + E.Message());
    }
  } catch (...) {
    // A failure of another kind has no message for the event log, but the
    // thread still ends and the service manager still learns of it.
    FService->RecordRunFailure();
  }
}

void TServiceThread::ProcessRequests(bool WaitForMessage) {
  platform::ThreadMessage message;
  for (;;) {
    if (WaitForMessage && Terminated()) return;
    if (WaitForMessage) {
      if (platform::GetMessage(message) <= 0) return;
    } else if (!platform::PeekMessage(message, 0, 0, true)) {
      return;
    }
    if (message.Window != 0 || message.Message != ServiceControlMessage) {
      platform::DispatchMessage(message);
      continue;
    }
    const std::uint32_t Code = static_cast<std::uint32_t>(message.WParam);
    const TCurrentStatus Saved = FService->Status();
    try {
      bool Result = true;
      switch (Code) {
        case platform::svc::ControlStop:
          Result = FService->HandleStop();
          break;
        case platform::svc::ControlPause:
          Result = FService->HandlePause();
          break;
        case platform::svc::ControlContinue:
          Result = FService->HandleContinue();
          break;
        case platform::svc::ControlInterrogate:
          FService->HandleInterrogate();
          break;
        case platform::svc::ControlShutdown:
          FService->HandleShutdown();
          break;
        default:
          Result = FService->HandleCustomControl(Code);
          break;
      }
      if (!Result) FService->SetStatus(Saved);
    } catch (const Exception& E) {
      if (Code != platform::svc::ControlShutdown) FService->SetStatus(Saved);
      if (Code >= platform::svc::ControlStop && Code <= platform::svc::ControlShutdown)
        FService->LogMessage(L"Service failed on " +
                             ControlActionWords()[Code - platform::svc::ControlStop] + L": " +
                             E.Message());
      else
        FService->LogMessage(L"Service failed in custom message(" + std::to_wstring(Code) + L"): " +
                             E.Message());
    }
  }
}
