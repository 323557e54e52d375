// The run-time of one service against the stand-in service manager: the status
// records it sees, the event-log entries, and the threads that meet in between.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/ServiceManager.h"
#include "platform/standin/Control.h"
#include "platform/standin/EventLog.h"
#include "platform/standin/ServiceControl.h"
#include "svc/Service.h"
#include "svc/ServiceApplication.h"
#include "svc/ServiceRuntime.h"
#include "svc/ServiceThread.h"
#include "tests/TestSupport.h"
#include "util/Exceptions.h"

namespace standin = platform::standin;
using platform::ServiceStatus;

using testsupport::Gate;
using testsupport::WaitUntil;

namespace {

const std::wstring kName = L"VelmoraNFCeStarter";

// A concrete service like the starter: its control handler reaches the object
// through a program-wide pointer, since the platform passes no context.
class TTestService : public TService {
public:
  static std::atomic<TTestService*> Instance;

  explicit TTestService(TComponent* AOwner) : TService(AOwner) {
    SetName(kName);
    Instance = this;
  }
  ~TTestService() override {
    if (Instance == this) Instance = nullptr;
  }
  std::wstring ClassName() const override { return L"TTestService"; }
  platform::HandlerFunction GetServiceController() override { return &ServiceControlHandler; }
  bool HandleCustomControl(std::uint32_t Code) override {
    return CustomControl ? CustomControl(Code) : TService::HandleCustomControl(Code);
  }

  std::function<bool(std::uint32_t)> CustomControl;

private:
  static void VELMORA_WINAPI ServiceControlHandler(std::uint32_t Code) {
    if (TTestService* service = Instance) service->PostControlCode(Code);
  }
};
std::atomic<TTestService*> TTestService::Instance{nullptr};

struct Rec {
  std::uint32_t State;
  std::uint32_t Accepted;
  std::uint32_t CheckPoint;
  std::uint32_t Win32Exit = 0;
  std::uint32_t SpecificExit = 0;
};

std::string Describe(const std::vector<ServiceStatus>& records) {
  std::ostringstream out;
  for (const ServiceStatus& r : records)
    out << "{" << r.CurrentState << "," << r.ControlsAccepted << "," << r.CheckPoint << ","
        << r.Win32ExitCode << "," << r.ServiceSpecificExitCode << "} ";
  return out.str();
}

void ExpectRecords(const std::vector<ServiceStatus>& actual, const std::vector<Rec>& expected,
                   std::uint32_t serviceType = platform::svc::Win32OwnProcess) {
  ASSERT_EQ(actual.size(), expected.size()) << Describe(actual);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i) + ": " + Describe(actual));
    EXPECT_EQ(actual[i].CurrentState, expected[i].State);
    EXPECT_EQ(actual[i].ControlsAccepted, expected[i].Accepted);
    EXPECT_EQ(actual[i].CheckPoint, expected[i].CheckPoint);
    EXPECT_EQ(actual[i].Win32ExitCode, expected[i].Win32Exit);
    EXPECT_EQ(actual[i].ServiceSpecificExitCode, expected[i].SpecificExit);
    EXPECT_EQ(actual[i].ServiceType, serviceType);
    EXPECT_EQ(actual[i].WaitHint, 5000u);
  }
}

// The texts of the entries, each checked to be an error entry of the service.
std::vector<std::wstring> EntryTexts(const std::wstring& source = kName) {
  std::vector<std::wstring> texts;
  for (const standin::EventEntry& e : standin::EventEntries()) {
    EXPECT_EQ(e.Source, source);
    EXPECT_EQ(e.Type, 1u);
    EXPECT_EQ(e.Category, 0u);
    EXPECT_EQ(e.Id, 0u);
    texts.push_back(e.Text);
  }
  return texts;
}

using Texts = std::vector<std::wstring>;

constexpr std::uint32_t SP = platform::svc::StartPending, RU = platform::svc::Running,
                        STP = platform::svc::StopPending, ST = platform::svc::Stopped,
                        PP = platform::svc::PausePending, PA = platform::svc::Paused,
                        CP = platform::svc::ContinuePending;

class ServiceRuntime : public ::testing::Test {
protected:
  void SetUp() override {
    standin::Reset();
    ResetStatusCheckPoint();
    App = std::make_unique<TServiceApplication>(nullptr);
    ServiceApplication = App.get();
    App->CreateForm(Service);
  }

  void TearDown() override {
    JoinDispatcher();
    ServiceApplication = nullptr;
    App.reset();
    standin::Reset();
  }

  // The dispatcher on a thread of its own, as the application's start thread.
  void StartDispatcher(const std::vector<std::wstring>& arguments = {},
                       const std::wstring& name = kName) {
    standin::ArrangeStart(name, arguments);
    Dispatcher =
        std::thread([this] { DispatcherResult = platform::StartServiceCtrlDispatcher(Table); });
  }
  void JoinDispatcher() {
    if (Dispatcher.joinable()) Dispatcher.join();
  }
  void RunToEnd(const std::vector<std::wstring>& arguments = {}, const std::wstring& name = kName) {
    StartDispatcher(arguments, name);
    JoinDispatcher();
    EXPECT_TRUE(DispatcherResult);
  }
  static void WaitRecords(std::size_t count) {
    ASSERT_TRUE(standin::WaitForStatusRecords(kName, count)) << Describe(Records());
  }
  static void Send(std::uint32_t code) { ASSERT_TRUE(standin::SendControl(kName, code)); }
  static std::vector<ServiceStatus> Records() { return standin::StatusRecords(kName); }

  std::unique_ptr<TServiceApplication> App;
  TTestService* Service = nullptr;
  std::wstring TableName = kName;
  platform::ServiceTableEntry Table[2] = {{TableName.data(), &ServiceMainCallback},
                                          {nullptr, nullptr}};
  std::thread Dispatcher;
  bool DispatcherResult = false;
};

TEST_F(ServiceRuntime, StarterRunReportsStartPendingTwiceRunningAndStopped) {
  Service->SetAllowPause(false);
  int executed = 0;
  Service->SetOnExecute([&](TService*) { ++executed; });
  EXPECT_EQ(Service->ServiceThread(), nullptr);

  RunToEnd();

  ExpectRecords(Records(), {{SP, 0, 1}, {SP, 0, 2}, {RU, 5, 0}, {ST, 5, 0}});
  EXPECT_EQ(executed, 1);
  EXPECT_TRUE(EntryTexts().empty());
  EXPECT_EQ(standin::EventSourceRegistrations(), 0);
  EXPECT_EQ(Service->Status(), csStopped);
  EXPECT_EQ(Service->ServiceThread(), nullptr);
  EXPECT_FALSE(Service->Terminated());
  ASSERT_EQ(Service->ParamCount(), 1);
  EXPECT_EQ(Service->Param(0), kName);
  EXPECT_EQ(LastReportedStatus(), csStopped);
  EXPECT_EQ(StatusCheckPoint(), 0u);
}

TEST_F(ServiceRuntime, StartArgumentsAreAppendedInOrderAndDelayedInitialisationRuns) {
  App->SetDelayInitialize(true);
  Service->SetOnExecute([](TService*) {});
  RunToEnd({L"/debug", L"caixa 2"});
  ASSERT_EQ(Service->ParamCount(), 3);
  EXPECT_EQ(Service->Param(0), kName);
  EXPECT_EQ(Service->Param(1), L"/debug");
  EXPECT_EQ(Service->Param(2), L"caixa 2");
  EXPECT_TRUE(App->Initialized());
}

TEST_F(ServiceRuntime, RefusedStartStopsWithoutRunning) {
  bool executed = false;
  Service->SetOnStart([](TService*, bool& Started) { Started = false; });
  Service->SetOnExecute([&](TService*) { executed = true; });
  RunToEnd();
  ExpectRecords(Records(), {{SP, 0, 1}, {SP, 0, 2}, {ST, 7, 0}});
  EXPECT_FALSE(executed);
  EXPECT_TRUE(EntryTexts().empty());
}

TEST_F(ServiceRuntime, StartNameIsMatchedIgnoringCaseAndAnUnknownNameRunsNothing) {
  struct Case {
    std::wstring Name;
    bool Runs;
  };
  for (const Case& c : {Case{L"velmoranfcestarter", true}, Case{L"VELMORANFCESTARTER", true},
                        Case{L"OutroServico", false}, Case{L"VelmoraNFCeStarte", false}}) {
    SCOPED_TRACE(std::string(c.Name.begin(), c.Name.end()));
    standin::Reset();
    ResetStatusCheckPoint();
    Service->SetOnExecute([](TService*) {});
    const int paramsBefore = Service->ParamCount();
    RunToEnd({}, c.Name);
    if (c.Runs) {
      ExpectRecords(Records(), {{SP, 0, 1}, {SP, 0, 2}, {RU, 7, 0}, {ST, 7, 0}});
      ASSERT_EQ(Service->ParamCount(), paramsBefore + 1);
      EXPECT_EQ(Service->Param(paramsBefore), c.Name);
    } else {
      EXPECT_TRUE(Records().empty());
      EXPECT_EQ(standin::HandlerRegistrations(), 0);
      EXPECT_EQ(Service->ParamCount(), paramsBefore);
    }
    EXPECT_TRUE(EntryTexts().empty());
  }
}

TEST_F(ServiceRuntime, StopDuringExecuteWaitsForTheHandlerToReturn) {
  Service->SetAllowPause(false);
  Gate gate;
  Service->SetOnExecute([&](TService*) { gate.Wait(); });
  StartDispatcher();
  WaitRecords(3);
  Send(platform::svc::ControlStop);
  Send(platform::svc::ControlInterrogate);
  // Both are queued for the service thread; the handler still runs.
  EXPECT_EQ(Records().size(), 3u);
  EXPECT_FALSE(Service->Terminated());
  gate.Open();
  JoinDispatcher();
  // The interrogation after the stop repeats the pending state, one check-point on.
  ExpectRecords(Records(),
                {{SP, 0, 1}, {SP, 0, 2}, {RU, 5, 0}, {STP, 5, 0}, {STP, 5, 1}, {ST, 5, 0}});
  EXPECT_TRUE(EntryTexts().empty());
}

class RefusedOrFailingStop : public ServiceRuntime, public ::testing::WithParamInterface<bool> {};

TEST_P(RefusedOrFailingStop, ReportsThePreviousStateAndTheServiceGoesOn) {
  const bool fails = GetParam();
  int calls = 0;
  Service->SetOnStop([&](TService*, bool& Stopped) {
    if (++calls > 1) return;
    if (fails) throw Exception(L"banco ocupado");
    Stopped = false;
  });
  StartDispatcher();
  WaitRecords(3);
  Send(platform::svc::ControlStop);
  WaitRecords(5);
  EXPECT_FALSE(Service->Terminated());
  Send(platform::svc::ControlStop);
  JoinDispatcher();
  ExpectRecords(
      Records(),
      {{SP, 0, 1}, {SP, 0, 2}, {RU, 7, 0}, {STP, 7, 0}, {RU, 7, 0}, {STP, 7, 0}, {ST, 7, 0}});
  EXPECT_EQ(EntryTexts(), fails ? Texts{L"Service failed on stop: banco ocupado"} : Texts{});
}
INSTANTIATE_TEST_SUITE_P(Stop, RefusedOrFailingStop, ::testing::Values(false, true));

TEST_F(ServiceRuntime, PauseHoldsTheThreadUntilContinue) {
  std::atomic<int> paused{0}, continued{0};
  Service->SetOnPause([&](TService*, bool&) { ++paused; });
  Service->SetOnContinue([&](TService*, bool&) { ++continued; });
  Service->SetOnExecute([](TService* Sender) { Sender->ServiceThread()->ProcessRequests(true); });
  StartDispatcher();
  WaitRecords(3);
  Send(platform::svc::ControlPause);
  WaitRecords(5);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!Service->ServiceThread()->Suspended() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  EXPECT_TRUE(Service->ServiceThread()->Suspended());
  EXPECT_EQ(continued, 0);
  Send(platform::svc::ControlContinue);
  WaitRecords(7);
  Send(platform::svc::ControlStop);
  JoinDispatcher();
  ExpectRecords(Records(), {{SP, 0, 1},
                            {SP, 0, 2},
                            {RU, 7, 0},
                            {PP, 7, 0},
                            {PA, 7, 0},
                            {CP, 7, 0},
                            {RU, 7, 0},
                            {STP, 7, 0},
                            {ST, 7, 0}});
  EXPECT_EQ(paused, 1);
  EXPECT_EQ(continued, 1);
}

TEST_F(ServiceRuntime, RequestsThatRaceThePauseStillEndIt) {
  // Continue and stop arrive while the pause is still being reported or the
  // thread is on its way to wait: none of them may be lost.
  Service->SetOnExecute([](TService* Sender) { Sender->ServiceThread()->ProcessRequests(true); });
  for (int round = 0; round < 25; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    standin::Reset();
    ResetStatusCheckPoint();
    StartDispatcher();
    WaitRecords(3);
    Send(platform::svc::ControlPause);
    Send(platform::svc::ControlContinue);
    Send(platform::svc::ControlStop);
    ASSERT_TRUE(standin::WaitForDispatcherReturn()) << Describe(Records());
    JoinDispatcher();
    ExpectRecords(Records(), {{SP, 0, 1},
                              {SP, 0, 2},
                              {RU, 7, 0},
                              {PP, 7, 0},
                              {PA, 7, 0},
                              {CP, 7, 0},
                              {RU, 7, 0},
                              {STP, 7, 0},
                              {ST, 7, 0}});
  }
}

TEST_F(ServiceRuntime, InterrogationRepeatsTheStateWithTheCheckPointRule) {
  Gate gate;
  Service->SetOnStart([&](TService* Sender, bool&) {
    gate.Wait();
    Sender->ServiceThread()->ProcessRequests(false);
  });
  StartDispatcher();
  WaitRecords(2);
  Send(platform::svc::ControlInterrogate);  // answered while start is pending
  gate.Open();
  WaitRecords(4);
  Send(platform::svc::ControlInterrogate);  // answered while running
  WaitRecords(5);
  Send(platform::svc::ControlStop);
  JoinDispatcher();
  ExpectRecords(
      Records(),
      {{SP, 0, 1}, {SP, 0, 2}, {SP, 0, 3}, {RU, 7, 0}, {RU, 7, 0}, {STP, 7, 0}, {ST, 7, 0}});
}

class Shutdown : public ServiceRuntime, public ::testing::WithParamInterface<bool> {};

TEST_P(Shutdown, StopsTheServiceEvenWhenTheHandlerFails) {
  const bool fails = GetParam();
  int calls = 0;
  Service->SetOnShutdown([&](TService*) {
    ++calls;
    if (fails) throw Exception(L"disco cheio");
  });
  StartDispatcher();
  WaitRecords(3);
  Send(platform::svc::ControlShutdown);
  JoinDispatcher();
  // A failed shutdown keeps the pending state: nothing is restored.
  ExpectRecords(Records(), {{SP, 0, 1}, {SP, 0, 2}, {RU, 7, 0}, {STP, 7, 0}, {ST, 7, 0}});
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(EntryTexts(), fails ? Texts{L"Service failed on shutdown: disco cheio"} : Texts{});
}
INSTANTIATE_TEST_SUITE_P(Shutdown, Shutdown, ::testing::Values(false, true));

TEST_F(ServiceRuntime, CustomCodes) {
  enum Behaviour { Default, Refuses, Fails };
  struct Case {
    std::uint32_t Code;
    Behaviour Does;
    bool Restores;
    Texts Entries;
  };
  const Case cases[] = {
      {0, Default, false, {}},
      {200, Default, false, {}},
      {200, Refuses, true, {}},
      {200, Fails, true, {L"Service failed in custom message(200): leitor ausente"}},
      {0, Fails, true, {L"Service failed in custom message(0): leitor ausente"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("code " + std::to_string(c.Code) + " behaviour " + std::to_string(c.Does));
    standin::Reset();
    ResetStatusCheckPoint();
    std::vector<std::uint32_t> seen;
    Service->CustomControl = [&](std::uint32_t Code) {
      seen.push_back(Code);
      if (c.Does == Fails) throw Exception(L"leitor ausente");
      return c.Does != Refuses;
    };
    if (c.Does == Default) Service->CustomControl = nullptr;
    StartDispatcher();
    WaitRecords(3);
    Send(c.Code);
    Send(platform::svc::ControlStop);
    JoinDispatcher();
    std::vector<Rec> expected = {{SP, 0, 1}, {SP, 0, 2}, {RU, 7, 0}};
    if (c.Restores) expected.push_back({RU, 7, 0});
    expected.push_back({STP, 7, 0});
    expected.push_back({ST, 7, 0});
    ExpectRecords(Records(), expected);
    EXPECT_EQ(EntryTexts(), c.Entries);
    if (c.Does != Default) {
      EXPECT_EQ(seen, std::vector<std::uint32_t>{c.Code});
    }
  }
}

TEST_F(ServiceRuntime, ExitCodesSetByTheServiceAreCarriedByEveryReport) {
  struct Case {
    std::uint32_t ErrCode, Win32ErrCode, ReportedWin32;
  };
  for (const Case& c : {Case{5, 0, 1066}, Case{5, 87, 1066}, Case{0, 87, 87}}) {
    SCOPED_TRACE("ErrCode " + std::to_string(c.ErrCode) + " Win32ErrCode " +
                 std::to_string(c.Win32ErrCode));
    standin::Reset();
    ResetStatusCheckPoint();
    Service->SetErrCode(c.ErrCode);
    Service->SetWin32ErrCode(c.Win32ErrCode);
    Service->SetOnExecute([](TService*) {});
    RunToEnd();
    ExpectRecords(Records(), {{SP, 0, 1, c.ReportedWin32, c.ErrCode},
                              {SP, 0, 2, c.ReportedWin32, c.ErrCode},
                              {RU, 7, 0, c.ReportedWin32, c.ErrCode},
                              {ST, 7, 0, c.ReportedWin32, c.ErrCode}});
  }
}

TEST_F(ServiceRuntime, AcceptedControlsAndServiceTypeWords) {
  struct Accept {
    bool Stop, Pause;
    std::uint32_t Word;
  };
  for (const Accept& a : {Accept{false, false, 4}, Accept{true, false, 5}, Accept{false, true, 6},
                          Accept{true, true, 7}}) {
    Service->SetAllowStop(a.Stop);
    Service->SetAllowPause(a.Pause);
    EXPECT_EQ(AcceptedControls(*Service), a.Word) << a.Stop << a.Pause;
  }

  struct Type {
    TServiceType Kind;
    bool Interactive;
    bool Shared;
    std::uint32_t Word;
  };
  TTestService* second = nullptr;
  for (const Type& t : {Type{stWin32, false, false, 0x10}, Type{stWin32, true, false, 0x110},
                        Type{stDevice, false, false, 0x1}, Type{stFileSystem, true, false, 0x2},
                        Type{stWin32, false, true, 0x20}, Type{stWin32, true, true, 0x120},
                        Type{stDevice, true, true, 0x1}}) {
    if (t.Shared && second == nullptr) App->CreateForm(second);
    Service->SetServiceType(t.Kind);
    Service->SetInteractive(t.Interactive);
    EXPECT_EQ(ServiceTypeFlags(*Service), t.Word) << t.Kind << t.Interactive << t.Shared;
  }
}

TEST_F(ServiceRuntime, ApplicationCountsItsServicesOnEveryRead) {
  EXPECT_EQ(App->ServiceCount(), 1);
  App->InsertComponent(std::make_unique<TComponent>(App.get()));  // not a service
  EXPECT_EQ(App->ServiceCount(), 1);
  TTestService* second = nullptr;
  App->CreateForm(second);
  EXPECT_EQ(App->ServiceCount(), 2);
  EXPECT_EQ(App->Services(0), Service);
  EXPECT_EQ(App->Services(1), second);
  EXPECT_EQ(App->Services(2), nullptr);
  App->Initialize();
  App->Initialize();
  EXPECT_TRUE(App->Initialized());
}

TEST_F(ServiceRuntime, FailedHandlerRegistrationReportsNothingAndStartsNoThread) {
  bool started = false;
  Service->SetOnStart([&](TService*, bool&) { started = true; });
  standin::FailNext("RegisterServiceCtrlHandlerW", 5);
  RunToEnd();
  EXPECT_TRUE(Records().empty());
  EXPECT_FALSE(started);
  EXPECT_EQ(Service->StatusHandle(), 0u);
  EXPECT_EQ(EntryTexts(), Texts{SystemErrorText(5)});
}

TEST_F(ServiceRuntime, FailedStatusReportIsLoggedAndStillCountsForTheCheckPoint) {
  Service->SetOnExecute([](TService*) {});
  standin::FailNext("SetServiceStatus", 6);
  RunToEnd();
  // The first report was lost, but the second is still its second check-point.
  ExpectRecords(Records(), {{SP, 0, 2}, {RU, 7, 0}, {ST, 7, 0}});
  EXPECT_EQ(EntryTexts(), Texts{SystemErrorText(6)});
}

struct FailureCase {
  const char* Title;
  bool InStart;
  std::function<void(TService*)> Fail;
  std::uint32_t StoppedWin32, StoppedSpecific;
  Texts Entries;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.Title; }

class RunFailure : public ServiceRuntime, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RunFailure, EndsTheRunWithAnEntryAndAFailedStopReport) {
  const FailureCase& c = GetParam();
  Gate gate;
  if (c.InStart) {
    Service->SetOnStart([&](TService* Sender, bool&) { c.Fail(Sender); });
  } else {
    Service->SetOnExecute([&](TService* Sender) {
      gate.Wait();
      c.Fail(Sender);
    });
  }
  StartDispatcher();
  if (!c.InStart) {
    WaitRecords(3);
    Send(platform::svc::ControlInterrogate);  // queued: must stay unrun
    gate.Open();
  }
  JoinDispatcher();
  std::vector<Rec> expected = {{SP, 0, 1}, {SP, 0, 2}};
  if (!c.InStart) expected.push_back({RU, 7, 0});
  expected.push_back({ST, 7, 0, c.StoppedWin32, c.StoppedSpecific});
  ExpectRecords(Records(), expected);
  EXPECT_EQ(EntryTexts(), c.Entries);
  // The failed stop report does not become the service's own exit code.
  if (c.StoppedWin32 == 1064) {
    EXPECT_EQ(Service->Win32ErrCode(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RunFailure,
    ::testing::Values(FailureCase{"start",
                                  true,
                                  [](TService*) { throw Exception(L"sem banco"); },
                                  1064,
                                  0,
                                  {L"Service failed on start: sem banco"}},
                      FailureCase{"execute",
                                  false,
                                  [](TService*) { throw Exception(L"sem banco"); },
                                  1064,
                                  0,
                                  {L"Service failed on execute: sem banco"}},
                      FailureCase{"execute with own code",
                                  false,
                                  [](TService* s) {
                                    s->SetErrCode(7);
                                    throw Exception(L"sem banco");
                                  },
                                  1066,
                                  7,
                                  {L"Service failed on execute: sem banco"}},
                      FailureCase{"execute with own Win32 code",
                                  false,
                                  [](TService* s) {
                                    s->SetWin32ErrCode(87);
                                    throw Exception(L"sem banco");
                                  },
                                  87,
                                  0,
                                  {L"Service failed on execute: sem banco"}},
                      FailureCase{"execute, failure without message",
                                  false,
                                  [](TService*) { throw std::runtime_error("no message"); },
                                  1064,
                                  0,
                                  {}}),
    [](const ::testing::TestParamInfo<FailureCase>& info) {
      return "Case" + std::to_string(info.index);
    });

TEST_F(ServiceRuntime, PostControlCodeWithoutAThreadReturnsAndNeverTouchesAReleasedOne) {
  Service->PostControlCode(platform::svc::ControlStop);  // before any run
  Service->SetOnExecute([](TService*) {});
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    standin::Reset();
    ResetStatusCheckPoint();
    std::atomic<bool> done{false};
    // Posts race the thread's creation, its run and its release. Spaced and
    // bounded: the service thread runs what is queued until the queue is empty,
    // so an unbounded flood could keep it from ever ending.
    std::thread poster([&] {
      for (int posts = 0; !done && posts < 3000; ++posts) {
        Service->PostControlCode(platform::svc::ControlInterrogate);
        std::this_thread::sleep_for(std::chrono::microseconds(10));
      }
    });
    RunToEnd();
    done = true;
    poster.join();
    const auto records = Records();
    ASSERT_GE(records.size(), 4u) << Describe(records);
    EXPECT_EQ(records.front().CurrentState, SP);
    EXPECT_EQ(records.back().CurrentState, ST);
    EXPECT_EQ(Service->ServiceThread(), nullptr);
    EXPECT_TRUE(EntryTexts().empty());
  }
  Service->PostControlCode(platform::svc::ControlStop);  // after the last run
  EXPECT_TRUE(EntryTexts().empty());
}

TEST(ServiceDispatcher, FailsAtOnceWhenNoStartWasArranged) {
  standin::Reset();
  std::wstring name = kName;
  platform::ServiceTableEntry table[2] = {{name.data(), &ServiceMainCallback}, {nullptr, nullptr}};
  EXPECT_FALSE(platform::StartServiceCtrlDispatcher(table));
  EXPECT_EQ(platform::LastError(), platform::error::FailedServiceControllerConnect);
}

}  // namespace
