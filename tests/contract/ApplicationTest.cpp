// The windowed application's queue before its window exists: the program makes
// the window only once the dispatcher's thread runs, and a dispatcher that fails
// at once posts its quit before that.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/Application.h"
#include "platform/Process.h"
#include "tests/contract/ContractTest.h"

namespace {

using MainThreadQueue = contract::Test;

TEST_F(MainThreadQueue, AQuitPostedBeforeTheWindowExistsEndsTheLoop) {
  // A thread of its own plays the main thread: it has never touched a queue.
  std::thread([] {
    platform::TApplication app(platform::TApplication::WindowTiming::Later);
    EXPECT_EQ(app.Window(), 0u);
    EXPECT_EQ(app.MainThreadId(), platform::CurrentThreadId());

    std::thread([&] { EXPECT_TRUE(app.PostQuitToMainThread()); }).join();
    app.CreateHandle();
    ASSERT_NE(app.Window(), 0u);

    // Should the quit be lost, a late message ends the wait and the test fails.
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::atomic<bool> timedOut{false};
    std::thread watchdog([&] {
      std::unique_lock<std::mutex> lock(mutex);
      if (done.wait_for(lock, std::chrono::seconds(20), [&] { return finished; })) return;
      timedOut = true;
      platform::window::PostToThread(app.MainThreadId(), platform::wm::User, 0, 0);
    });
    while (!app.Terminated() && !timedOut) app.HandleMessage();
    {
      std::lock_guard<std::mutex> lock(mutex);
      finished = true;
    }
    done.notify_all();
    watchdog.join();
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(timedOut);
  }).join();
}

TEST_F(MainThreadQueue, APostToAThreadWithoutAQueueFailsWith1444) {
  std::atomic<std::uint32_t> id{0};
  std::atomic<bool> posted{false};
  std::thread quiet([&] {
    id = platform::CurrentThreadId();
    while (!posted) std::this_thread::yield();
  });
  while (id == 0) std::this_thread::yield();
  platform::SetLastError(0);
  const bool accepted = platform::window::PostToThread(id, platform::wm::Quit, 0, 0);
  const std::uint32_t error = platform::LastError();
  posted = true;
  quiet.join();
  EXPECT_FALSE(accepted);
  EXPECT_EQ(error, platform::error::InvalidThreadId);
}

}  // namespace
