// The dispatcher's thread: runs StartServiceCtrlDispatcher over the table and,
// once it has returned, posts WM_QUIT to the windowed application's main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Application.h"
#include "platform/ServiceManager.h"
#include "platform/Thread.h"

class TServiceStartThread {
public:
  using TServiceTableEntryArray = std::shared_ptr<std::vector<platform::ServiceTableEntry>>;

  // Starts at once; raises EThread when the thread cannot be made.
  explicit TServiceStartThread(TServiceTableEntryArray Services);
  ~TServiceStartThread();  // waits until the thread has ended
  TServiceStartThread(const TServiceStartThread&) = delete;
  TServiceStartThread& operator=(const TServiceStartThread&) = delete;

  // 0 once the dispatcher returned success, else its error code.
  std::int32_t ReturnValue() const { return FReturnValue.load(); }
  bool Finished() const;

private:
  void Execute();
  void DoTerminate();

  TServiceTableEntryArray FServiceStartTable;
  // Read by the main thread while the dispatcher may still run (a loop ended
  // by another quit message).
  std::atomic<std::int32_t> FReturnValue{0};
  platform::TApplication* FApplication = nullptr;
  std::unique_ptr<platform::Thread> FThread;
};
