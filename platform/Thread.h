// Threads as the program uses them: detached one-shot workers (log writers) and
// joinable threads that may be created suspended (service thread, start thread).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

// Starts a thread that runs body once and frees itself; nobody waits for it.
// False, with the platform's reason in error, when the thread cannot be made.
bool StartDetachedThread(std::function<void()> body, std::wstring& error);

class Thread {
public:
  // A thread that runs body; when suspended, only after Resume(). Null, with the
  // platform's reason in error, when it cannot be made.
  static std::unique_ptr<Thread> Create(std::function<void()> body, bool suspended,
                                        std::wstring& error);
  ~Thread();  // waits for the thread to end
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  void Resume();
  void WaitFor();
  bool Finished() const;
  // The platform id of the thread (what CurrentThreadId() returns on it).
  std::uint32_t ThreadId() const;

private:
  Thread() = default;
  void Run(std::function<void()> body);

  mutable std::mutex FMutex;
  mutable std::condition_variable FChanged;
  bool FResumed = false;
  bool FFinished = false;
  bool FIdKnown = false;
  std::uint32_t FThreadId = 0;
  std::thread FThread;
};

}  // namespace platform
