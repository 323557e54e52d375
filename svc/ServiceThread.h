// The worker thread of a running service: every event handler and every control
// request of the service runs on it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/Thread.h"

class TService;

class TServiceThread {
public:
  explicit TServiceThread(TService* Service);  // created suspended
  ~TServiceThread();

  void Resume();
  void WaitFor();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  std::uint32_t ThreadID() const;
  void ProcessRequests(bool WaitForMessage);

private:
  void Execute();

  TService* FService;
  std::atomic<bool> FTerminated{false};
  std::unique_ptr<platform::Thread> FThread;
};
