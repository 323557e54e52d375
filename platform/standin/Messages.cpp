// Per-thread message queues: a thread's queue is made by its first peek, get or
// wait, and goes when the thread ends, as the system's do.
#include "platform/Messages.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/Process.h"
#include "platform/standin/Internal.h"

namespace platform {

namespace {
struct Queue {
  std::condition_variable Arrived;
  std::deque<ThreadMessage> Items;
};

std::mutex gMutex;
std::map<std::uint32_t, std::shared_ptr<Queue>> gQueues;

// Removes the thread's queue when the thread ends, so a later thread that gets
// the same id starts without one.
struct QueueOwner {
  std::uint32_t ThreadId = 0;
  std::shared_ptr<Queue> Own;
  ~QueueOwner() {
    if (!Own) return;
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gQueues.find(ThreadId);
    if (it != gQueues.end() && it->second == Own) gQueues.erase(it);
  }
};
thread_local QueueOwner tQueue;

// The calling thread's queue, made on first use (again after a reset); gMutex
// is held.
Queue& OwnQueue() {
  const std::uint32_t id = CurrentThreadId();
  auto it = gQueues.find(id);
  if (it == gQueues.end()) {
    it = gQueues.emplace(id, std::make_shared<Queue>()).first;
    tQueue.ThreadId = id;
    tQueue.Own = it->second;
  }
  return *it->second;
}

bool Post(std::uint32_t threadId, std::uint32_t message, std::uintptr_t wParam,
          std::intptr_t lParam);

bool InRange(const ThreadMessage& m, std::uint32_t first, std::uint32_t last) {
  return (first == 0 && last == 0) || (m.Message >= first && m.Message <= last);
}
}  // namespace

bool PostThreadMessage(std::uint32_t threadId, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
  if (standin::Fails("PostThreadMessageW")) return false;
  if (!Post(threadId, message, wParam, lParam)) return false;
  // A thread may wait on its queue and a process at once (ProcessWatch.cpp).
  standin::detail::NotifyWaiters();
  return true;
}

namespace {
bool Post(std::uint32_t threadId, std::uint32_t message, std::uintptr_t wParam,
          std::intptr_t lParam) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gQueues.find(threadId);
  if (it == gQueues.end()) {
    SetLastError(error::InvalidThreadId);
    return false;
  }
  ThreadMessage m;
  m.Message = message;
  m.WParam = wParam;
  m.LParam = lParam;
  it->second->Items.push_back(m);
  it->second->Arrived.notify_all();
  return true;
}
}  // namespace

int GetMessage(ThreadMessage& m) {
  if (standin::Fails("GetMessageW")) return -1;
  std::unique_lock<std::mutex> lock(gMutex);
  Queue& queue = OwnQueue();
  queue.Arrived.wait(lock, [&] { return !queue.Items.empty(); });
  m = queue.Items.front();
  queue.Items.pop_front();
  return m.Message == msg::Quit ? 0 : 1;
}

bool PeekMessage(ThreadMessage& m, std::uint32_t first, std::uint32_t last, bool remove) {
  std::lock_guard<std::mutex> lock(gMutex);
  Queue& queue = OwnQueue();
  for (auto it = queue.Items.begin(); it != queue.Items.end(); ++it) {
    if (!InRange(*it, first, last)) continue;
    m = *it;
    if (remove) queue.Items.erase(it);
    return true;
  }
  return false;
}

void DispatchMessage(const ThreadMessage&) {
  // No windows in the stand-in: a thread message has nowhere to go.
}

void WaitForQueuedMessage() {
  std::unique_lock<std::mutex> lock(gMutex);
  Queue& queue = OwnQueue();
  queue.Arrived.wait(lock, [&] { return !queue.Items.empty(); });
}

void standin::detail::ResetMessages() {
  // Threads still alive get a new, empty queue on their next use, as the first
  // thread of a new process would.
  std::lock_guard<std::mutex> lock(gMutex);
  gQueues.clear();
}

}  // namespace platform
