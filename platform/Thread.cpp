// Portable on purpose: std::thread maps to the platform's threads on both
// builds (winpthreads on MinGW), and CurrentThreadId() is the platform's id.
#include "platform/Thread.h"

#include <system_error>

#include "platform/Process.h"
#include "platform/Text.h"

namespace platform {

bool StartDetachedThread(std::function<void()> body, std::wstring& error) {
  // winpthreads corrupts its heap when a thread ends before pthread_detach has
  // returned (seen under Wine with short log writers): the new thread waits at
  // this gate until it is detached.
  struct Gate {
    std::mutex Mutex;
    std::condition_variable Opened;
    bool Open = false;
  };
  try {
    auto gate = std::make_shared<Gate>();
    std::thread([gate, body = std::move(body)]() mutable {
      {
        std::unique_lock<std::mutex> lock(gate->Mutex);
        gate->Opened.wait(lock, [&gate] { return gate->Open; });
      }
      gate.reset();
      body();
    }).detach();
    {
      std::lock_guard<std::mutex> lock(gate->Mutex);
      gate->Open = true;
    }
    gate->Opened.notify_all();
    return true;
  } catch (const std::system_error& e) {
    error = Widen(e.what());
    return false;
  }
}

std::unique_ptr<Thread> Thread::Create(std::function<void()> body, bool suspended,
                                       std::wstring& error) {
  std::unique_ptr<Thread> thread(new Thread());
  thread->FResumed = !suspended;
  try {
    thread->FThread = std::thread(&Thread::Run, thread.get(), std::move(body));
  } catch (const std::system_error& e) {
    error = Widen(e.what());
    return nullptr;
  }
  return thread;
}

void Thread::Run(std::function<void()> body) {
  {
    std::unique_lock<std::mutex> lock(FMutex);
    FThreadId = CurrentThreadId();
    FIdKnown = true;
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return FResumed; });
  }
  body();
  std::lock_guard<std::mutex> lock(FMutex);
  FFinished = true;
  FChanged.notify_all();
}

Thread::~Thread() {
  Resume();  // a thread never resumed still has to end
  WaitFor();
}

void Thread::Resume() {
  std::lock_guard<std::mutex> lock(FMutex);
  FResumed = true;
  FChanged.notify_all();
}

void Thread::WaitFor() {
  if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

bool Thread::Finished() const {
  std::lock_guard<std::mutex> lock(FMutex);
  return FFinished;
}

std::uint32_t Thread::ThreadId() const {
  std::unique_lock<std::mutex> lock(FMutex);
  FChanged.wait(lock, [this] { return FIdKnown; });
  return FThreadId;
}

}  // namespace platform
