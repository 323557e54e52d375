// The real Win32 layer under the service run-time: the event-log calls and the
// service thread over the real queue. Queues, names and texts are contract
// tests (tests/contract), held to the stand-in too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/EventLog.h"
#include "svc/EventLogger.h"
#include "svc/Service.h"
#include "svc/ServiceRuntime.h"
#include "svc/ServiceThread.h"
#include "tests/TestSupport.h"
#include "util/Exceptions.h"

namespace {

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
    ASSERT_TRUE(testsupport::SpinUntil([&] { return executing.load(); }));
    service.PostControlCode(platform::svc::ControlPause);
    if (round % 2 == 0) {
      // Let the pause take hold first; odd rounds race it instead.
      ASSERT_TRUE(testsupport::SpinUntil([&] { return service.ServiceThread()->Suspended(); }));
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
