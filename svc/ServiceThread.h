// The worker thread of a running service: every event handler and every control
// request of the service runs on it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Thread.h"

class TService;

class TServiceThread {
public:
  // Created suspended; its message queue is made first thing once it runs, then
  // DelayedInitialize (if any) runs. Raises EThread when the platform cannot
  // make the thread.
  TServiceThread(TService* Service, std::function<void()> DelayedInitialize = nullptr);
  ~TServiceThread();
  TServiceThread(const TServiceThread&) = delete;
  TServiceThread& operator=(const TServiceThread&) = delete;

  void Resume();
  void WaitFor();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  // True while a pause holds the thread (see Suspend).
  bool Suspended() const { return FSuspended; }
  std::uint32_t ThreadID() const { return FThreadID; }

  // Runs the control requests of the calling thread's queue. With WaitForMessage
  // it blocks for requests until the thread is terminated or a quit message
  // arrives; without, it returns once the queue is empty.
  void ProcessRequests(bool WaitForMessage);

  // The pause, on the service thread itself: runs nothing until a message is
  // queued. A wait on the queue cannot miss a request posted before it began,
  // as a platform suspension resumed by the poster could.
  void Suspend();

private:
  void Execute();

  TService* FService;
  std::function<void()> FDelayedInitialize;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FSuspended{false};
  std::atomic<bool> FCancelled{false};  // released before it was ever resumed
  bool FResumed = false;
  std::uint32_t FThreadID = 0;
  std::unique_ptr<platform::Thread> FThread;
};
