// The windowed application: a hidden top-level window owned by the main thread,
// that thread's message loop, the hooks offered every message of the window, the
// failure handler of its window procedure and the calls that other threads queue
// for the main thread. The service process uses it for its loop and its quit.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

namespace platform {

namespace wm {
constexpr std::uint32_t Null = 0x0000;  // WM_NULL
constexpr std::uint32_t QueryEndSession = 0x0011;
constexpr std::uint32_t Quit = 0x0012;        // WM_QUIT
constexpr std::uint32_t EndSession = 0x0016;  // WM_ENDSESSION
constexpr std::uint32_t User = 0x0400;        // WM_USER
}  // namespace wm

struct WindowMessage {
  std::uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

namespace window {
// Destroys a window made by CreateHidden: how its owner below closes it.
void Destroy(Handle window);
struct HandleTraits {
  using Value = Handle;
  static constexpr Value Invalid() noexcept { return 0; }
  static void Close(Value value) noexcept { Destroy(value); }
};
}  // namespace window
using WindowHandle = UniqueHandle<window::HandleTraits>;

// Returns true to end the handling of the message there.
using WindowHook = std::function<bool(WindowMessage& Message)>;
// Receives a failure raised while the window procedure handled a message; it
// may rethrow what it does not want, which then leaves HandleMessage.
using ExceptionHandler = std::function<void(std::exception_ptr Failure)>;

class TApplication {
public:
  // When the hidden window is made: at construction, or by CreateHandle once the
  // caller has done what must come first.
  enum class WindowTiming { Now, Later };

  // The calling thread is the main thread from then on; its message queue exists
  // at once, so a quit posted to it before the window exists still ends the loop.
  // Raises nothing: Window() is 0 when no window could be made.
  explicit TApplication(WindowTiming Timing = WindowTiming::Now);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  Handle Window() const { return FWindow.Get(); }
  // Makes the hidden window, on the main thread, unless it exists.
  void CreateHandle();
  std::uint32_t MainThreadId() const { return FMainThread; }

  // The start-up chain, once: COM for the calling thread.
  void Initialize();
  bool ShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool Value) { FShowMainForm = Value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value) { FShowHint = Value; }
  bool Destroying() const { return FDestroying; }
  void SetDestroying() { FDestroying = true; }
  // Owns no components in this program; kept for the exit sequence.
  void DestroyComponents() {}

  // Returns an id for UnhookMainWindow; hooks are offered messages in the order
  // they were registered.
  int HookMainWindow(WindowHook Hook);
  void UnhookMainWindow(int Id);
  void SetOnException(ExceptionHandler Handler);
  bool HasOnException() const;

  // Takes one message of the main thread's queue and dispatches it; with none,
  // runs the queued calls and then waits for a message. WM_QUIT sets Terminated.
  void HandleMessage();
  bool Terminated() const { return FTerminated; }
  // Posts a quit message to the calling thread.
  void Terminate();
  // From any thread: posts a quit message to the main thread's queue, which the
  // loop takes whether or not the window exists yet. False with LastError() when
  // the post failed.
  bool PostQuitToMainThread();
  // From any thread: the call runs on the main thread when its loop is idle.
  void Queue(std::function<void()> Call);
  // From any thread: the loop's current HandleMessage returns, if it waits.
  void Wake();

private:
  static bool WindowProcedure(void* Context, WindowMessage& Message);
  bool HandleWindowMessage(WindowMessage& Message);
  void RunQueuedCalls();
  void RaisePendingFailure();

  const std::uint32_t FMainThread;
  WindowHandle FWindow;
  bool FComInitialized = false;
  bool FShowMainForm = true;
  bool FShowHint = true;
  bool FDestroying = false;
  bool FTerminated = false;
  int FNextHookId = 1;
  std::vector<std::pair<int, WindowHook>> FHooks;
  ExceptionHandler FOnException;
  std::exception_ptr FPendingFailure;
  std::mutex FQueueLock;
  std::deque<std::function<void()>> FQueuedCalls;
};

// The process's windowed application, or null when none exists.
extern TApplication* Application;

// PostMessageW: false with LastError() when the window does not exist.
bool PostWindowMessage(Handle window, std::uint32_t msg, std::uintptr_t wParam,
                       std::intptr_t lParam);
// SendMessageW, from the thread that owns the window.
std::intptr_t SendWindowMessage(Handle window, std::uint32_t msg, std::uintptr_t wParam,
                                std::intptr_t lParam);
// ShowOwnedPopups(window, show).
bool ShowOwnedPopups(Handle window, bool show);

// What each platform provides for TApplication.
namespace window {
using Procedure = bool (*)(void* context, WindowMessage& message);  // true: handled
struct QueuedMessage {
  Handle Window = 0;
  std::uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
};
// A hidden top-level window of the calling thread whose messages go to procedure;
// an empty owner on failure.
WindowHandle CreateHidden(Procedure procedure, void* context);
// PeekMessageW(..., PM_REMOVE) on the calling thread's queue.
bool Peek(QueuedMessage& message);
// TranslateMessage + DispatchMessageW.
void Dispatch(const QueuedMessage& message);
// WaitMessage: returns once the calling thread's queue holds a message.
void Wait();
// PostQuitMessage(0) to the calling thread.
void PostQuit();
// Makes the calling thread's message queue (a PeekMessageW that takes nothing):
// from then on messages posted to the thread wait in it.
void MakeQueue();
// PostThreadMessageW: false with LastError() (1444) when the thread has no queue.
bool PostToThread(std::uint32_t thread, std::uint32_t msg, std::uintptr_t wParam,
                  std::intptr_t lParam);
}  // namespace window

}  // namespace platform
