// Synchronisation helpers shared by the tests: nothing here sleeps for a fixed
// time to be correct, every wait has a generous deadline instead.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace testsupport {

constexpr auto kDeadline = std::chrono::seconds(30);

// Polls until done() holds; false when it still does not after the deadline.
inline bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// WaitUntil without the pause between polls, for waits that are part of a race
// the test sets up between two threads.
inline bool SpinUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

// Opened once by the test; code under test waits on it.
class Gate {
public:
  void Open() {
    std::lock_guard<std::mutex> lock(FMutex);
    FOpen = true;
    FChanged.notify_all();
  }
  // False when the gate was not opened before the deadline.
  bool Wait() {
    std::unique_lock<std::mutex> lock(FMutex);
    return FChanged.wait_for(lock, kDeadline, [this] { return FOpen; });
  }

private:
  std::mutex FMutex;
  std::condition_variable FChanged;
  bool FOpen = false;
};

}  // namespace testsupport
