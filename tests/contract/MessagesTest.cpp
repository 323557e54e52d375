// Thread message queues: how control requests reach a service thread. Each
// test runs on threads of its own, whose queues start empty and go with them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Messages.h"
#include "platform/Platform.h"
#include "platform/Process.h"
#include "svc/ServiceRuntime.h"
#include "tests/TestSupport.h"
#include "tests/contract/ContractTest.h"

namespace {

using platform::ThreadMessage;
using ThreadMessages = contract::Test;

TEST_F(ThreadMessages, PostToAThreadWithoutAQueueFailsWith1444) {
  std::atomic<std::uint32_t> id{0};
  std::atomic<bool> posted{false};
  std::thread quiet([&] {
    id = platform::CurrentThreadId();
    while (!posted) std::this_thread::yield();
    ThreadMessage m;
    EXPECT_FALSE(platform::PeekMessage(m, 0, 0, true)) << "the refused post left nothing";
  });
  ASSERT_TRUE(testsupport::SpinUntil([&] { return id != 0; }));
  const bool accepted = platform::PostThreadMessage(id, ServiceControlMessage, 1, 0);
  const std::uint32_t error = platform::LastError();
  posted = true;
  quiet.join();
  EXPECT_FALSE(accepted);
  EXPECT_EQ(error, platform::error::InvalidThreadId);
}

TEST_F(ThreadMessages, PeekGetAndQuitOnTheCallingThread) {
  std::thread([] {
    ThreadMessage m;
    EXPECT_FALSE(platform::PeekMessage(m, platform::msg::User, platform::msg::User, false));
    const std::uint32_t self = platform::CurrentThreadId();
    ASSERT_TRUE(platform::PostThreadMessage(self, ServiceControlMessage, 7, 0));
    ASSERT_TRUE(platform::PostThreadMessage(self, ServiceControlMessage, 8, 0));
    ASSERT_TRUE(platform::PeekMessage(m, 0, 0, false));
    EXPECT_EQ(m.WParam, 7u);
    ASSERT_TRUE(platform::PeekMessage(m, 0, 0, true));
    EXPECT_EQ(m.WParam, 7u);
    ASSERT_GT(platform::GetMessage(m), 0);
    EXPECT_EQ(m.Window, 0u);
    EXPECT_EQ(m.Message, ServiceControlMessage);
    EXPECT_EQ(m.WParam, 8u);
    EXPECT_EQ(m.LParam, 0);
    ASSERT_TRUE(platform::PostThreadMessage(self, platform::msg::Quit, 0, 0));
    EXPECT_EQ(platform::GetMessage(m), 0);
    EXPECT_FALSE(platform::PeekMessage(m, 0, 0, true));
  }).join();
}

TEST_F(ThreadMessages, PostsFromAnotherThreadArriveInOrder) {
  std::atomic<std::uint32_t> receiverId{0};
  std::thread receiver([&] {
    ThreadMessage m;
    platform::PeekMessage(m, platform::msg::User, platform::msg::User, false);
    receiverId = platform::CurrentThreadId();
    for (std::uintptr_t expected = 1; expected <= 50; ++expected) {
      ASSERT_GT(platform::GetMessage(m), 0);
      EXPECT_EQ(m.WParam, expected);
    }
  });
  ASSERT_TRUE(testsupport::SpinUntil([&] { return receiverId != 0; }));
  for (std::uintptr_t code = 1; code <= 50; ++code)
    ASSERT_TRUE(platform::PostThreadMessage(receiverId, ServiceControlMessage, code, 0));
  receiver.join();
}

TEST_F(ThreadMessages, QueueWaitSeesAMessageAlreadyLookedAt) {
  std::thread([] {
    ThreadMessage m;
    platform::PeekMessage(m, platform::msg::User, platform::msg::User, false);
    ASSERT_TRUE(
        platform::PostThreadMessage(platform::CurrentThreadId(), ServiceControlMessage, 3, 0));
    ASSERT_TRUE(platform::PeekMessage(m, 0, 0, false));  // seen, not removed
    platform::WaitForQueuedMessage();                    // must not block
    ASSERT_TRUE(platform::PeekMessage(m, 0, 0, true));
    EXPECT_EQ(m.WParam, 3u);
  }).join();
}

TEST_F(ThreadMessages, QueueWaitEndsForAPostThatRacesIt) {
  for (int round = 0; round < 100; ++round) {
    std::atomic<std::uint32_t> waiterId{0};
    std::thread waiter([&] {
      ThreadMessage m;
      platform::PeekMessage(m, platform::msg::User, platform::msg::User, false);
      waiterId = platform::CurrentThreadId();
      platform::PeekMessage(m, 0, 0, false);
      platform::WaitForQueuedMessage();
      ASSERT_TRUE(platform::PeekMessage(m, 0, 0, true));
      EXPECT_EQ(m.WParam, static_cast<std::uintptr_t>(round));
    });
    ASSERT_TRUE(testsupport::SpinUntil([&] { return waiterId != 0; }));
    ASSERT_TRUE(platform::PostThreadMessage(waiterId, ServiceControlMessage, round, 0));
    waiter.join();
  }
}

}  // namespace
