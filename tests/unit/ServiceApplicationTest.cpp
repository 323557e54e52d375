// The service application's run against the stand-in service manager, windows
// and event log: the start thread, the main loop and how it ends, the failures
// that reach the event log, the program entry and its exit codes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/ServicoVelmoraNFCe.h"
#include "app/UVelmoraNFCeStarter.h"
#include "platform/Application.h"
#include "platform/Dialog.h"
#include "platform/Process.h"
#include "platform/standin/Application.h"
#include "platform/standin/Com.h"
#include "platform/standin/Control.h"
#include "platform/standin/Dialog.h"
#include "platform/standin/EventLog.h"
#include "platform/standin/Paths.h"
#include "platform/standin/ProcessWatch.h"
#include "platform/standin/Process.h"
#include "platform/standin/ServiceControl.h"
#include "platform/standin/ServiceRegistry.h"
#include "platform/standin/Shell.h"
#include "svc/Service.h"
#include "svc/ServiceApplication.h"
#include "svc/ServiceRuntime.h"
#include "svc/ServiceSettings.h"
#include "svc/ServiceStartThread.h"
#include "svc/Usage.h"
#include "tests/TestSupport.h"
#include "util/Exceptions.h"
#include "util/LogArquivo.h"

namespace standin = platform::standin;

using testsupport::Gate;
using testsupport::WaitUntil;

namespace {

const std::wstring kName = L"AppTestService";
const std::wstring kExe = LR"(C:\Apps\ServicoVelmoraNFCe.exe)";

class TAppTestService : public TService {
public:
  static std::atomic<TAppTestService*> Instance;
  explicit TAppTestService(TComponent* AOwner) : TService(AOwner) {
    SetName(kName);
    SetAllowPause(false);
    Instance = this;
  }
  ~TAppTestService() override {
    if (Instance == this) Instance = nullptr;
    ++Destroyed;
  }
  std::wstring ClassName() const override { return L"TAppTestService"; }
  platform::HandlerFunction GetServiceController() override { return &Handler; }
  static inline std::atomic<int> Destroyed{0};

private:
  static void VELMORA_WINAPI Handler(std::uint32_t Code) {
    if (TAppTestService* s = Instance) s->PostControlCode(Code);
  }
};
std::atomic<TAppTestService*> TAppTestService::Instance{nullptr};

std::vector<std::wstring> EntryTexts() {
  std::vector<std::wstring> texts;
  for (const auto& e : standin::EventEntries()) texts.push_back(e.Text);
  return texts;
}

class ServiceApplicationRun : public ::testing::Test {
protected:
  void SetUp() override {
    standin::Reset();
    ResetStatusCheckPoint();
    standin::SetModuleFileName(kExe);
    standin::SetCommandLine(kExe);  // no switch: a service process
    Windowed = std::make_unique<platform::TApplication>();
    ASSERT_EQ(platform::Application, Windowed.get());
    App = std::make_unique<TServiceApplication>(nullptr);
    ServiceApplication = App.get();
  }
  void TearDown() override {
    ServiceApplication = nullptr;
    App.reset();
    // The test's hooks hold its own locals, gone by now: they must not be
    // offered the window's last messages.
    for (const int id : TestHooks) Windowed->UnhookMainWindow(id);
    TestHooks.clear();
    Windowed.reset();
    standin::Reset();
  }

  void HookForTest(platform::WindowHook Hook) {
    TestHooks.push_back(Windowed->HookMainWindow(std::move(Hook)));
  }

  TAppTestService* AddService() {
    TAppTestService* service = nullptr;
    App->CreateForm(service);
    return service;
  }

  std::unique_ptr<platform::TApplication> Windowed;
  std::unique_ptr<TServiceApplication> App;
  std::vector<int> TestHooks;
};

TEST_F(ServiceApplicationRun, ServiceProcessEndsOnTheQuitThatFollowsTheDispatcher) {
  TAppTestService* service = AddService();
  std::atomic<int> executed{0};
  service->SetOnExecute([&](TService*) { ++executed; });
  standin::ArrangeStart(kName);
  App->Run();

  EXPECT_TRUE(standin::DispatcherReturned());
  EXPECT_EQ(executed, 1);
  EXPECT_TRUE(Windowed->Terminated());
  EXPECT_EQ(standin::StatusRecords(kName).back().CurrentState, platform::svc::Stopped);
  EXPECT_TRUE(standin::EventEntries().empty());
  EXPECT_TRUE(standin::ShownDialogs().empty());
  EXPECT_EQ(App->ExitCode(), 0);
}

TEST_F(ServiceApplicationRun, FailedDispatcherWritesOneEntryAndLeavesItsCode) {
  AddService();
  App->Run();  // nothing arranged: the dispatcher fails as from a prompt

  const auto entries = standin::EventEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Source, L"ServicoVelmoraNFCe.exe");
  EXPECT_EQ(entries[0].Type, 1u);
  EXPECT_EQ(entries[0].Text, SystemErrorText(1063));
  EXPECT_FALSE(entries[0].Text.empty());
  // Started by hand with no switch: the usage box, after the entry.
  const auto shown = standin::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text, UsageText(L"ServicoVelmoraNFCe.exe", {}));
  EXPECT_EQ(App->ExitCode(), 1063);
}

TEST_F(ServiceApplicationRun, ADispatcherFailingForAnotherReasonShowsNoUsage) {
  AddService();
  standin::FailNext("StartServiceCtrlDispatcherW", 87);
  App->Run();
  ASSERT_EQ(EntryTexts(), std::vector<std::wstring>{SystemErrorText(87)});
  EXPECT_TRUE(standin::ShownDialogs().empty());
  EXPECT_EQ(App->ExitCode(), 87);
}

TEST_F(ServiceApplicationRun, StartThreadSetsReturnValueThenPostsTheQuitToTheMainThread) {
  AddService()->SetOnExecute([](TService*) {});
  auto table = std::make_shared<std::vector<platform::ServiceTableEntry>>(
      2, platform::ServiceTableEntry{nullptr, nullptr});
  (*table)[0] = {const_cast<wchar_t*>(kName.c_str()), &ServiceMainCallback};
  const std::uint32_t mainThread = Windowed->MainThreadId();
  ASSERT_EQ(mainThread, platform::CurrentThreadId());

  for (const bool arranged : {false, true}) {
    SCOPED_TRACE(arranged ? "started by the manager" : "started from a prompt");
    if (arranged) standin::ArrangeStart(kName);
    TServiceStartThread thread(table);
    ASSERT_TRUE(WaitUntil([&] { return thread.Finished(); }));
    EXPECT_EQ(thread.ReturnValue(), arranged ? 0 : 1063);
    // The quit, and after a run the wake-up that lets the host start up.
    EXPECT_EQ(standin::QueuedThreadMessages(mainThread), arranged ? 2 : 1);
    EXPECT_EQ(standin::QueuedWindowMessages(Windowed->Window()), 0);
    for (int i = 0; i < 2 && !Windowed->Terminated(); ++i) Windowed->HandleMessage();
    EXPECT_TRUE(Windowed->Terminated());
  }
}

TEST_F(ServiceApplicationRun, AQuitThatComesBeforeTheWindowStillEndsTheLoop) {
  // The program's own windowed application: its window comes once a service's
  // start-up path is done, and a dispatcher that fails at once (started from a
  // prompt) runs no service: its quit comes first, and the window after it.
  TearDown();
  standin::Reset();
  standin::SetModuleFileName(kExe);
  standin::SetCommandLine(kExe + L" /silent");
  Windowed = std::make_unique<platform::TApplication>(platform::TApplication::WindowTiming::Later);
  EXPECT_EQ(Windowed->Window(), 0u);
  EXPECT_TRUE(standin::HasMessageQueue(platform::CurrentThreadId()));
  App = std::make_unique<TServiceApplication>(nullptr);
  ServiceApplication = App.get();
  AddService();

  bool quitTakenFirst = false;
  standin::RaiseNext("CreateWindowExW", [&] { quitTakenFirst = Windowed->Terminated(); });
  App->Run();

  EXPECT_TRUE(quitTakenFirst);
  EXPECT_NE(Windowed->Window(), 0u);
  EXPECT_TRUE(Windowed->Terminated());
  EXPECT_EQ(EntryTexts(), std::vector<std::wstring>{SystemErrorText(1063)});
  EXPECT_EQ(App->ExitCode(), 1063);

  // With no queue on the main thread the quit would be lost: the post fails.
  std::atomic<std::uint32_t> otherThread{0};
  std::thread([&] { otherThread = platform::CurrentThreadId(); }).join();
  EXPECT_FALSE(platform::window::PostToThread(otherThread, platform::wm::Quit, 0, 0));
  EXPECT_EQ(platform::LastError(), platform::error::InvalidThreadId);
}

TEST_F(ServiceApplicationRun, FailuresOnTheMainThreadAreLoggedAndTheLoopGoesOn) {
  TAppTestService* service = AddService();
  // A message of the window whose handling fails, and two queued calls, the
  // first of which fails: all on the main thread while the service runs.
  const std::uint32_t failingMessage = platform::wm::User + 5;
  HookForTest([&](platform::WindowMessage& m) {
    if (m.Msg == failingMessage) throw Exception(L"window procedure failed");
    return false;
  });
  Gate laterCallRan;
  std::atomic<std::uint32_t> mainThread{0};
  service->SetOnExecute([&](TService*) {
    platform::PostWindowMessage(Windowed->Window(), failingMessage, 0, 0);
    Windowed->Queue([] { throw EOSError(5); });
    Windowed->Queue([&] {
      mainThread = platform::CurrentThreadId();
      laterCallRan.Open();
    });
    EXPECT_TRUE(laterCallRan.Wait());  // the service stops only after both ran
  });
  standin::ArrangeStart(kName);
  App->Run();

  EXPECT_EQ(mainThread, platform::CurrentThreadId());
  const auto texts = EntryTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], L"window procedure failed");
  EXPECT_EQ(texts[1], EOSError(5).Message());
  for (const auto& e : standin::EventEntries()) EXPECT_EQ(e.Source, L"ServicoVelmoraNFCe.exe");
  EXPECT_EQ(App->ExitCode(), 0);
}

TEST_F(ServiceApplicationRun, FailureOfAnotherKindLeavesRunAfterTheDispatcherReturned) {
  TAppTestService* service = AddService();
  // The service keeps running until the main thread has taken the call, so the
  // quit message that follows the stop cannot overtake it.
  std::atomic<bool> taken{false};
  service->SetOnExecute([&](TService*) {
    Windowed->Queue([&] {
      taken = true;
      throw std::runtime_error("not ours");
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!taken && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  standin::ArrangeStart(kName);
  EXPECT_THROW(App->Run(), std::runtime_error);
  // Leaving Run freed the start thread, which waited for the dispatcher.
  EXPECT_TRUE(standin::DispatcherReturned());
  EXPECT_TRUE(standin::EventEntries().empty());
}

TEST_F(ServiceApplicationRun, EndSessionIsClaimedWhileTheApplicationLives) {
  std::vector<std::uint32_t> seen;
  HookForTest([&](platform::WindowMessage& m) {
    seen.push_back(m.Msg);
    return false;
  });
  const std::uint32_t marker = platform::wm::User + 9;
  // A quit that the end of session caused is queued before the marker that is
  // posted once the end of session has been handled.
  auto endSessionThenMarker = [&] {
    seen.clear();
    platform::SendWindowMessage(Windowed->Window(), platform::wm::EndSession, 1, 0);
    platform::PostWindowMessage(Windowed->Window(), marker, 0, 0);
    while (!Windowed->Terminated() && (seen.empty() || seen.back() != marker))
      Windowed->HandleMessage();
  };

  // Claimed: the windowed application never sees it and goes on running; the
  // hook registered later is not even offered it.
  endSessionThenMarker();
  EXPECT_FALSE(Windowed->Terminated());
  EXPECT_EQ(seen, std::vector<std::uint32_t>{marker});

  // Without the service application its own handling ends the loop.
  ServiceApplication = nullptr;
  App.reset();
  endSessionThenMarker();
  EXPECT_TRUE(Windowed->Terminated());
}

TEST_F(ServiceApplicationRun, InitializeRunsOnceAndDelayInitializeDefersItUnlessInstalling) {
  App->Initialize();
  EXPECT_TRUE(App->Initialized());
  EXPECT_FALSE(Windowed->ShowMainForm());
  Windowed->SetShowMainForm(true);
  App->Initialize();  // does nothing the second time
  EXPECT_TRUE(Windowed->ShowMainForm());

  struct {
    const wchar_t* Switches;
    bool Delay;
    bool Initialized;
  } cases[] = {{L"", false, true},
               {L" /install /silent", true, true},
               {L" /uninstall /silent", true, true},
               {L"", true, false}};
  for (const auto& c : cases) {
    TearDown();
    SetUp();
    standin::SetCommandLine(kExe + c.Switches);
    App->SetDelayInitialize(c.Delay);
    ServicoVelmoraNFCeMain(*App);  // creates the starter and runs
    EXPECT_EQ(App->Initialized(), c.Initialized)
        << std::string(c.Switches, c.Switches + std::wcslen(c.Switches));
    EXPECT_EQ(StarterInstance, App->Services(0));
    StarterInstance = nullptr;
  }
}

TEST_F(ServiceApplicationRun, CleanUpAtExitHidesPopupsAndDestroysTheServices) {
  AddService();
  AddService();
  const int destroyedBefore = TAppTestService::Destroyed;
  CleanUpAtExit();
  EXPECT_EQ(TAppTestService::Destroyed - destroyedBefore, 2);
  EXPECT_EQ(App->ServiceCount(), 0);
  EXPECT_TRUE(App->Destroying());
  EXPECT_FALSE(Windowed->ShowHint());
  EXPECT_TRUE(Windowed->Destroying());
  EXPECT_EQ(standin::HiddenPopupCalls(Windowed->Window()), 1);
}

// The whole program, as the platform starts it.
class Program : public ::testing::Test {
protected:
  void SetUp() override { NewProcess(); }
  void TearDown() override {
    standin::Reset();
    std::error_code ignored;
    if (!FFolder.empty()) std::filesystem::remove_all(FFolder, ignored);
  }
  // The program's own folder, made anew and removed after the test, for a run
  // whose log lands on disk.
  std::filesystem::path OwnFolder(const std::string& tag) {
    FFolder = std::filesystem::temp_directory_path() /
              ("velmora-" + tag + "-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(FFolder);
    standin::SetModuleFileName(
        standin::FromHostPath((FFolder / "ServicoVelmoraNFCe.exe").string()));
    ReleaseLog();
    return FFolder;
  }
  std::filesystem::path FFolder;
  static void NewProcess() {
    standin::Reset();
    ResetStatusCheckPoint();
    standin::SetModuleFileName(kExe);
  }
  static int RunWith(const std::wstring& switches) {
    standin::SetCommandLine(kExe + L" " + switches);
    return RunServicoVelmoraNFCe();
  }
};

TEST_F(Program, ExitCodesOfRegistrationRemovalAndAFailedDispatcher) {
  EXPECT_EQ(RunWith(L"/INSTALL /SILENT"), 0);
  EXPECT_TRUE(standin::ShownDialogs().empty());
  ASSERT_TRUE(standin::RegisteredService(L"VelmoraNFCeStarter"));
  EXPECT_EQ(RunWith(L"/INSTALL /SILENT"), 1073);
  EXPECT_EQ(standin::ShownDialogs().size(), 1u);
  EXPECT_EQ(RunWith(L"/UNINSTALL"), 0);
  EXPECT_FALSE(standin::RegisteredService(L"VelmoraNFCeStarter"));
  EXPECT_EQ(RunWith(L"-uninstall"), 1060);
  EXPECT_EQ(standin::ShownDialogs().size(), 3u);
  EXPECT_TRUE(standin::EventEntries().empty());

  NewProcess();
  EXPECT_EQ(RunWith(L"/SILENT"), 1063);  // a service process started from a prompt
  EXPECT_TRUE(standin::ShownDialogs().empty());
  ASSERT_EQ(EntryTexts(), std::vector<std::wstring>{SystemErrorText(1063)});
  EXPECT_EQ(standin::EventEntries()[0].Source, L"ServicoVelmoraNFCe.exe");
  EXPECT_EQ(ServiceApplication, nullptr);
  EXPECT_EQ(StarterInstance, nullptr);
}

TEST_F(Program, StartedByHandShowsTheUsageUnlessSilent) {
  struct {
    const wchar_t* Switches;
    std::vector<std::wstring> Named;  // what the box names; no box when Silent
    bool Silent;
  } cases[] = {
      {L"", {}, false},        {L"/INSTAL", {L"/INSTAL"}, false},
      {L"/?", {L"/?"}, false}, {L"install  \"C:\\a b\"", {L"install", L"C:\\a b"}, false},
      {L"/SILENT", {}, true},  {L"/INSTAL -silent", {}, true},
  };
  for (const auto& c : cases) {
    NewProcess();
    const std::string label(c.Switches, c.Switches + std::wcslen(c.Switches));
    EXPECT_EQ(RunWith(c.Switches), 1063) << label;
    // The entry is as it always was, whether or not a box follows.
    EXPECT_EQ(EntryTexts(), std::vector<std::wstring>{SystemErrorText(1063)}) << label;
    const auto shown = standin::ShownDialogs();
    if (c.Silent) {
      EXPECT_TRUE(shown.empty()) << label;
      continue;
    }
    ASSERT_EQ(shown.size(), 1u) << label;
    EXPECT_EQ(shown[0].Caption, L"Error");
    EXPECT_EQ(shown[0].Owner, 0u);
    EXPECT_EQ(shown[0].Flags,
              platform::dialog::Ok | platform::dialog::IconError | platform::dialog::TaskModal);
    EXPECT_EQ(shown[0].Text, UsageText(L"ServicoVelmoraNFCe.exe", c.Named)) << label;
    EXPECT_TRUE(standin::StdErrText().empty());
  }
}

TEST_F(Program, StartedByHandAsAConsoleProgramWritesTheUsageToStandardError) {
  standin::SetConsole(true);
  EXPECT_EQ(RunWith(L"-instal"), 1063);
  EXPECT_TRUE(standin::ShownDialogs().empty());
  EXPECT_EQ(standin::StdErrText(), UsageText(L"ServicoVelmoraNFCe.exe", {L"-instal"}) + L"\r\n");
  EXPECT_TRUE(standin::StdOutText().empty());
  EXPECT_EQ(EntryTexts(), std::vector<std::wstring>{SystemErrorText(1063)});
}

TEST_F(Program, ServiceManagerThatCannotBeOpenedReachesTheLastResortHandler) {
  standin::FailNext("OpenSCManagerW", 5);
  EXPECT_EQ(RunWith(L"/install"), 1);
  const auto shown = standin::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Caption, L"Application Error");
  EXPECT_EQ(shown[0].Owner, 0u);
  EXPECT_EQ(shown[0].Flags,
            platform::dialog::Ok | platform::dialog::IconError | platform::dialog::TaskModal);
  const std::wstring& text = shown[0].Text;
  const std::wstring head = L"Exception EOSError in module ServicoVelmoraNFCe.exe at ";
  ASSERT_EQ(text.compare(0, head.size(), head), 0) << std::string(text.begin(), text.end());
  EXPECT_EQ(text.substr(head.size() + sizeof(void*) * 2),
            L".\r\nSystem Error.  Code: 5.\r\n" + SystemErrorText(5) + L".\r\n");
  EXPECT_FALSE(standin::RegisteredService(L"VelmoraNFCeStarter"));
}

TEST_F(Program, ServiceRunEndsOnlyOnceItsLogLinesAreInTheFile) {
  namespace fs = std::filesystem;
  const fs::path folder = OwnFolder("program");
  standin::ArrangeStart(L"VelmoraNFCeStarter");

  EXPECT_EQ(RunWith(L""), 0);
  // No waiting here: whatever the process would have lost at its end is missing now.
  EXPECT_EQ(LogWritersRunning(), 0u);
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder / "log")) files.push_back(entry.path());
  ASSERT_EQ(files.size(), 1u);
  std::ifstream in(files[0], std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Executando API: "), std::string::npos) << text;
  EXPECT_NE(text.find("Enviado comando ShellExecute para o Windows. Retorno: 2\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("**** Log finalizado ****"), std::string::npos) << text;
}

TEST_F(Program, TheMainThreadStartsUpOnlyOnceTheEmitterIsLaunched) {
  // Neither the window nor COM on the main thread may slow the launch: each
  // comes after it, and all the promises of the start hold.
  OwnFolder("order");
  standin::ArrangeStart(L"VelmoraNFCeStarter");
  const std::uint32_t mainThread = platform::CurrentThreadId();
  auto launched = [] { return standin::ShellLaunches().size() == 1; };
  std::atomic<bool> windowAfterLaunch{false}, comAfterLaunch{false};
  standin::RaiseNext("CreateWindowExW", [&] { windowAfterLaunch = launched(); });
  // Log writers initialise COM on their own threads, at any time: the look is
  // from the launch, at which the main thread must not have started on COM.
  standin::RaiseNext("ShellExecuteW",
                     [&] { comAfterLaunch = standin::ComCallsOf(mainThread).empty(); });

  EXPECT_EQ(RunWith(L""), 0);
  EXPECT_TRUE(windowAfterLaunch);
  EXPECT_TRUE(comAfterLaunch);
  // COM once on the main thread, undone at the end.
  const auto com = standin::ComCallsOf(mainThread);
  ASSERT_EQ(com.size(), 2u);
  EXPECT_TRUE(com[0].Initialize);
  EXPECT_FALSE(com[1].Initialize);
  const auto records = standin::StatusRecords(L"VelmoraNFCeStarter");
  std::vector<std::pair<std::uint32_t, std::uint32_t>> states;
  for (const auto& r : records) states.emplace_back(r.CurrentState, r.CheckPoint);
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
      {platform::svc::StartPending, 1},
      {platform::svc::StartPending, 2},
      {platform::svc::Running, 0},
      {platform::svc::Stopped, 0}};
  EXPECT_EQ(states, expected);
}

TEST_F(Program, InWatchModeTheMainThreadStartsUpWhileTheServiceRuns) {
  // A watching service does not end its run: its first adoption (or launch)
  // is what lets the main thread start up, not its stop.
  namespace fs = std::filesystem;
  const fs::path folder = OwnFolder("watch-order");
  standin::SetServiceParameter(L"VelmoraNFCeStarter", WatchValueName, std::uint32_t{1});
  standin::AddProcess(standin::FromHostPath((folder / "divevezodoz.exe").string()));
  standin::ArrangeStart(L"VelmoraNFCeStarter");
  standin::SetCommandLine(kExe);
  std::atomic<std::uint32_t> mainThread{0};
  std::atomic<int> exitCode{-1};
  std::atomic<bool> windowMade{false};
  standin::RaiseNext("CreateWindowExW", [&] { windowMade = true; });
  std::thread program([&] {
    mainThread = platform::CurrentThreadId();
    exitCode = RunServicoVelmoraNFCe();
  });

  EXPECT_TRUE(WaitUntil([&] {
    const auto com = standin::ComCallsOf(mainThread);
    return windowMade && com.size() == 1 && com[0].Initialize;
  }));
  const auto records = standin::StatusRecords(L"VelmoraNFCeStarter");
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().CurrentState, platform::svc::Running);
  EXPECT_TRUE(standin::ShellLaunches().empty()) << "the running copy was adopted";

  ASSERT_TRUE(standin::SendControl(L"VelmoraNFCeStarter", platform::svc::ControlStop));
  program.join();
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(standin::StatusRecords(L"VelmoraNFCeStarter").back().CurrentState,
            platform::svc::Stopped);
  EXPECT_EQ(standin::ComCallsOf(mainThread).size(), 2u);
  ReleaseLog();
  EXPECT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));
}

TEST(LastResortText, AddsAFullStopOnlyWhenTheMessageLacksOne) {
  EXPECT_EQ(LastResortText(L"EOSError", L"A.exe", 0x4A2F10, L"Bad"),
            L"Exception EOSError in module A.exe at " + std::wstring(sizeof(void*) * 2 - 6, L'0') +
                L"4A2F10.\r\nBad.\r\n");
  const std::wstring ended = LastResortText(L"E", L"A.exe", 1, L"Done.");
  EXPECT_EQ(ended.substr(ended.size() - 9), L"\r\nDone.\r\n");
}

TEST(LastResort, ConsoleProgramWritesToStandardError) {
  standin::Reset();
  standin::SetConsole(true);
  EXPECT_EQ(HandleLastResort(std::make_exception_ptr(Exception(L"boom"))), 1);
  EXPECT_TRUE(standin::ShownDialogs().empty());
  const std::wstring err = standin::StdErrText();
  EXPECT_EQ(err.substr(0, 30), L"Exception Exception in module ");
  EXPECT_EQ(err.substr(err.size() - 10), L".\r\nboom.\r\n");
  standin::Reset();
}

}  // namespace
