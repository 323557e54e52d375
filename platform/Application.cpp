#include "platform/Application.h"

#include <algorithm>

#include "platform/Com.h"
#include "platform/Process.h"

namespace platform {

TApplication* Application = nullptr;

TApplication::TApplication(WindowTiming Timing) : FMainThread(CurrentThreadId()) {
  window::MakeQueue();
  if (Timing == WindowTiming::Now) CreateHandle();
  if (!Application) Application = this;
}

void TApplication::CreateHandle() {
  if (!FWindow) FWindow = window::CreateHidden(&TApplication::WindowProcedure, this);
}

TApplication::~TApplication() {
  // First: destroying the window still sends it messages, which the hooks and
  // the rest of this object must be alive to receive.
  FWindow.Reset();
  if (FComInitialized) ComUninitialize();
  if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
  if (FComInitialized) return;
  ComInitialize();
  FComInitialized = true;
}

int TApplication::HookMainWindow(WindowHook Hook) {
  const int id = FNextHookId++;
  FHooks.emplace_back(id, std::move(Hook));
  return id;
}

void TApplication::UnhookMainWindow(int Id) {
  FHooks.erase(std::remove_if(FHooks.begin(), FHooks.end(),
                              [Id](const auto& entry) { return entry.first == Id; }),
               FHooks.end());
}

void TApplication::SetOnException(ExceptionHandler Handler) { FOnException = std::move(Handler); }

bool TApplication::HasOnException() const { return static_cast<bool>(FOnException); }

bool TApplication::WindowProcedure(void* Context, WindowMessage& Message) {
  auto* self = static_cast<TApplication*>(Context);
  // Nothing may unwind through the platform's dispatcher: the failure is kept
  // and raised again once DispatchMessage has returned.
  try {
    return self->HandleWindowMessage(Message);
  } catch (...) {
    if (!self->FPendingFailure) self->FPendingFailure = std::current_exception();
    Message.Result = 0;
    return true;
  }
}

bool TApplication::HandleWindowMessage(WindowMessage& Message) {
  // A copy: a hook may unhook itself or others while it runs.
  const auto hooks = FHooks;
  for (const auto& hook : hooks)
    if (hook.second && hook.second(Message)) return true;
  switch (Message.Msg) {
    case wm::EndSession:
      // The session ends: so does the application, unless a hook claimed it.
      if (Message.WParam != 0) Terminate();
      Message.Result = 0;
      return true;
    case wm::Null:
      Message.Result = 0;
      return true;
    default:
      return false;
  }
}

void TApplication::RaisePendingFailure() {
  if (!FPendingFailure) return;
  std::exception_ptr failure = FPendingFailure;
  FPendingFailure = nullptr;
  if (FOnException)
    FOnException(failure);
  else
    std::rethrow_exception(failure);
}

void TApplication::RunQueuedCalls() {
  // One at a time: a call that fails leaves the later ones queued.
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> lock(FQueueLock);
      if (FQueuedCalls.empty()) return;
      call = std::move(FQueuedCalls.front());
      FQueuedCalls.pop_front();
    }
    call();
  }
}

void TApplication::HandleMessage() {
  window::QueuedMessage message;
  if (window::Peek(message)) {
    RaisePendingFailure();  // sent messages are handled inside the peek
    if (message.Msg == wm::Quit) {
      FTerminated = true;
      return;
    }
    window::Dispatch(message);
    RaisePendingFailure();
    return;
  }
  RaisePendingFailure();
  RunQueuedCalls();
  window::Wait();
}

void TApplication::Terminate() { window::PostQuit(); }

bool TApplication::PostQuitToMainThread() {
  return window::PostToThread(FMainThread, wm::Quit, 0, 0);
}

void TApplication::Queue(std::function<void()> Call) {
  {
    std::lock_guard<std::mutex> lock(FQueueLock);
    FQueuedCalls.push_back(std::move(Call));
  }
  Wake();
}

void TApplication::Wake() {
  // A message of the thread's own, so the wait ends with or without a window.
  window::PostToThread(FMainThread, wm::Null, 0, 0);
}

}  // namespace platform
