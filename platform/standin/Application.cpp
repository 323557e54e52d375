// A small model of user32's windows and queues: every window belongs to the
// thread that made it, posted messages wait in that thread's queue, and only the
// owning thread takes them out.
#include "platform/Application.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/Process.h"
#include "platform/standin/Application.h"
#include "platform/standin/Internal.h"

namespace platform {

namespace {
constexpr Handle kFirstWindow = 0x10040;

struct Queue {
  std::deque<window::QueuedMessage> Messages;
  std::condition_variable Arrived;
};

struct WindowRecord {
  std::uint32_t Thread = 0;
  window::Procedure Procedure = nullptr;
  void* Context = nullptr;
  int HiddenPopupCalls = 0;
};

std::mutex gMutex;
std::map<std::uint32_t, std::shared_ptr<Queue>> gQueues;  // by thread id
std::map<Handle, WindowRecord> gWindows;
Handle gNextWindow = kFirstWindow;

std::shared_ptr<Queue> QueueOf(std::uint32_t thread) {
  auto& queue = gQueues[thread];
  if (!queue) queue = std::make_shared<Queue>();
  return queue;
}

void PostLocked(std::uint32_t thread, const window::QueuedMessage& message) {
  auto queue = QueueOf(thread);
  queue->Messages.push_back(message);
  queue->Arrived.notify_all();
}
}  // namespace

WindowHandle window::CreateHidden(Procedure procedure, void* context) {
  if (standin::Fails("CreateWindowExW")) return {};
  std::lock_guard<std::mutex> lock(gMutex);
  const Handle handle = gNextWindow;
  gNextWindow += 4;
  gWindows[handle] = WindowRecord{CurrentThreadId(), procedure, context, 0};
  QueueOf(CurrentThreadId());
  return WindowHandle(handle);
}

void window::Destroy(Handle window) {
  Procedure procedure = nullptr;
  void* context = nullptr;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gWindows.find(window);
    if (it == gWindows.end()) return;
    procedure = it->second.Procedure;
    context = it->second.Context;
  }
  // As DestroyWindow does, the window procedure gets its last messages first:
  // whoever is offered them must still be alive.
  constexpr std::uint32_t kDestroy = 0x0002;    // WM_DESTROY
  constexpr std::uint32_t kNcDestroy = 0x0082;  // WM_NCDESTROY
  for (const std::uint32_t msg : {kDestroy, kNcDestroy}) {
    WindowMessage m{msg, 0, 0, 0};
    if (procedure) procedure(context, m);
  }
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gWindows.find(window);
  if (it == gWindows.end()) return;
  const std::uint32_t thread = it->second.Thread;
  gWindows.erase(it);
  // Messages still waiting for the window go with it. In this model a thread's
  // queue lives as long as its windows: with the last one the thread's own
  // messages (a quit nobody took) go too, so a later thread with a reused id
  // starts clean.
  bool lastWindow = true;
  for (const auto& other : gWindows)
    if (other.second.Thread == thread) lastWindow = false;
  auto queue = gQueues.find(thread);
  if (queue == gQueues.end()) return;
  if (lastWindow) {
    gQueues.erase(queue);
    return;
  }
  auto& messages = queue->second->Messages;
  for (auto m = messages.begin(); m != messages.end();)
    m = m->Window == window ? messages.erase(m) : m + 1;
}

bool window::Peek(QueuedMessage& message) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto queue = QueueOf(CurrentThreadId());
  if (queue->Messages.empty()) return false;
  message = queue->Messages.front();
  queue->Messages.pop_front();
  return true;
}

void window::Dispatch(const QueuedMessage& message) {
  Procedure procedure = nullptr;
  void* context = nullptr;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gWindows.find(message.Window);
    if (it == gWindows.end()) return;  // a thread message: no window procedure
    procedure = it->second.Procedure;
    context = it->second.Context;
  }
  WindowMessage m{message.Msg, message.WParam, message.LParam, 0};
  procedure(context, m);
}

void window::Wait() {
  std::unique_lock<std::mutex> lock(gMutex);
  auto queue = QueueOf(CurrentThreadId());
  queue->Arrived.wait(lock, [&] { return !queue->Messages.empty(); });
}

void window::PostQuit() {
  std::lock_guard<std::mutex> lock(gMutex);
  PostLocked(CurrentThreadId(), QueuedMessage{0, wm::Quit, 0, 0});
}

void window::MakeQueue() {
  std::lock_guard<std::mutex> lock(gMutex);
  QueueOf(CurrentThreadId());
}

bool window::PostToThread(std::uint32_t thread, std::uint32_t msg, std::uintptr_t wParam,
                          std::intptr_t lParam) {
  if (standin::Fails("PostThreadMessageW")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  if (gQueues.find(thread) == gQueues.end()) {
    SetLastError(error::InvalidThreadId);
    return false;
  }
  PostLocked(thread, QueuedMessage{0, msg, wParam, lParam});
  return true;
}

bool PostWindowMessage(Handle window, std::uint32_t msg, std::uintptr_t wParam,
                       std::intptr_t lParam) {
  if (standin::Fails("PostMessageW")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gWindows.find(window);
  if (it == gWindows.end()) {
    SetLastError(error::InvalidWindowHandle);
    return false;
  }
  PostLocked(it->second.Thread, window::QueuedMessage{window, msg, wParam, lParam});
  return true;
}

std::intptr_t SendWindowMessage(Handle window, std::uint32_t msg, std::uintptr_t wParam,
                                std::intptr_t lParam) {
  window::Procedure procedure = nullptr;
  void* context = nullptr;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gWindows.find(window);
    if (it == gWindows.end()) {
      SetLastError(error::InvalidWindowHandle);
      return 0;
    }
    procedure = it->second.Procedure;
    context = it->second.Context;
  }
  WindowMessage m{msg, wParam, lParam, 0};
  procedure(context, m);
  return m.Result;
}

bool ShowOwnedPopups(Handle window, bool show) {
  if (standin::Fails("ShowOwnedPopups")) return false;
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gWindows.find(window);
  if (it == gWindows.end()) {
    SetLastError(error::InvalidWindowHandle);
    return false;
  }
  if (!show) ++it->second.HiddenPopupCalls;
  return true;
}

int standin::HiddenPopupCalls(Handle window) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gWindows.find(window);
  return it == gWindows.end() ? 0 : it->second.HiddenPopupCalls;
}

int standin::QueuedThreadMessages(std::uint32_t thread) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto queue = gQueues.find(thread);
  if (queue == gQueues.end()) return 0;
  int count = 0;
  for (const auto& m : queue->second->Messages)
    if (m.Window == 0) ++count;
  return count;
}

bool standin::HasMessageQueue(std::uint32_t thread) {
  std::lock_guard<std::mutex> lock(gMutex);
  return gQueues.find(thread) != gQueues.end();
}

int standin::QueuedWindowMessages(Handle window) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gWindows.find(window);
  if (it == gWindows.end()) return 0;
  int count = 0;
  for (const auto& m : QueueOf(it->second.Thread)->Messages)
    if (m.Window == window) ++count;
  return count;
}

void standin::detail::ResetApplication() {
  std::lock_guard<std::mutex> lock(gMutex);
  gWindows.clear();
  gQueues.clear();
  gNextWindow = kFirstWindow;
}

}  // namespace platform
