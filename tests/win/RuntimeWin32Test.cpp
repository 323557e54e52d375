// The real Win32 layer under the service run-time: thread message queues and the
// pause's queue wait, name comparison, the event-log calls and system texts.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Compare.h"
#include "platform/EventLog.h"
#include "platform/Messages.h"
#include "platform/Process.h"
#include "svc/EventLogger.h"
#include "svc/Service.h"
#include "svc/ServiceRuntime.h"
#include "svc/ServiceThread.h"
#include "util/Exceptions.h"

namespace {

using platform::ThreadMessage;

template <class Predicate>
bool PollUntil(Predicate done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

TEST(Win32Messages, PeekGetAndQuitOnTheCallingThread) {
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

TEST(Win32Messages, PostsFromAnotherThreadArriveInOrder) {
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
  ASSERT_TRUE(PollUntil([&] { return receiverId != 0; }));
  for (std::uintptr_t code = 1; code <= 50; ++code)
    ASSERT_TRUE(platform::PostThreadMessage(receiverId, ServiceControlMessage, code, 0));
  receiver.join();
}

TEST(Win32Messages, QueueWaitSeesAMessageAlreadyLookedAt) {
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

TEST(Win32Messages, QueueWaitEndsForAPostThatRacesIt) {
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
    ASSERT_TRUE(PollUntil([&] { return waiterId != 0; }));
    ASSERT_TRUE(platform::PostThreadMessage(waiterId, ServiceControlMessage, round, 0));
    waiter.join();
  }
}

TEST(Win32CompareString, ServiceNamesMatchIgnoringCase) {
  struct Case {
    const wchar_t* A;
    const wchar_t* B;
    bool Equal;
  };
  for (const Case& c : {Case{L"velmoranfcestarter", L"VelmoraNFCeStarter", true},
                        Case{L"VELMORANFCESTARTER", L"VelmoraNFCeStarter", true},
                        Case{L"VelmoraNFCeStarter", L"VelmoraNFCeStarter", true},
                        Case{L"VelmoraNFCeStarte", L"VelmoraNFCeStarter", false},
                        Case{L"VelmoraNFCeStarter ", L"VelmoraNFCeStarter", false},
                        Case{L"INSTALL", L"install", true}, Case{L"", L"", true}}) {
    EXPECT_EQ(platform::SameTextIgnoreCase(c.A, c.B), c.Equal) << c.A << " / " << c.B;
  }
}

TEST(Win32EventLog, WriterCallsSucceed) {
  using namespace platform::eventlog;
  platform::EventSourceHandle source = platform::RegisterEventSource(L"VelmoraRuntimeTest");
  ASSERT_TRUE(source);
  EXPECT_TRUE(platform::ReportEvent(source, Error, NoCategory, NoEventId,
                                    L"Service failed on execute: teste"));
  EXPECT_TRUE(platform::ReportEvent(source, Error, NoCategory, NoEventId, L""));
  EXPECT_TRUE(platform::DeregisterEventSource(source.Release()));
  // The writer over the same calls: two entries, one registration, no failure.
  TEventLogger logger(L"VelmoraRuntimeTest");
  logger.LogMessage(L"primeira", Error, NoCategory, NoEventId);
  logger.LogMessage(L"", Error, 1, NoEventId);
}

TEST(Win32SystemErrorText, ServiceManagerCodesHaveText) {
  for (std::uint32_t code : {1060u, 1063u, 1064u, 1073u}) {
    const std::wstring text = SystemErrorText(code);
    EXPECT_FALSE(text.empty()) << code;
    if (!text.empty()) {
      EXPECT_NE(text.back(), L'.') << code;
    }
  }
}

class TWinService : public TService {
public:
  explicit TWinService(TComponent* AOwner) : TService(AOwner) { SetName(L"VelmoraRuntimeTest"); }
  platform::HandlerFunction GetServiceController() override { return nullptr; }
};

// The service thread over the real queue, without a service manager: every
// status report fails (no status handle), which only writes event-log entries.
TEST(Win32ServiceThread, PauseContinueAndStopReachItThroughTheQueue) {
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    TWinService service(nullptr);
    std::atomic<bool> executing{false};
    std::atomic<int> paused{0}, continued{0}, stopped{0};
    service.SetOnExecute([&](TService* Sender) {
      executing = true;
      Sender->ServiceThread()->ProcessRequests(true);
    });
    service.SetOnPause([&](TService*, bool&) { ++paused; });
    service.SetOnContinue([&](TService*, bool&) { ++continued; });
    service.SetOnStop([&](TService*, bool&) { ++stopped; });
    std::thread serviceMain([&] { service.HandleStart(); });
    ASSERT_TRUE(PollUntil([&] { return executing.load(); }));
    service.PostControlCode(platform::svc::ControlPause);
    if (round % 2 == 0) {
      // Let the pause take hold first; odd rounds race it instead.
      ASSERT_TRUE(PollUntil([&] { return service.ServiceThread()->Suspended(); }));
      EXPECT_EQ(continued, 0);
    }
    service.PostControlCode(platform::svc::ControlContinue);
    service.PostControlCode(platform::svc::ControlStop);
    serviceMain.join();
    EXPECT_EQ(paused, 1);
    EXPECT_EQ(continued, 1);
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(service.Status(), csStopped);
    EXPECT_EQ(service.ServiceThread(), nullptr);
  }
}

}  // namespace
