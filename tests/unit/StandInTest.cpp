// The stand-in's own controls: every fallible call can be made to fail, one
// reset returns everything to a new process's state, and names fold one way.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Compare.h"
#include "platform/Dialog.h"
#include "platform/EventLog.h"
#include "platform/FileAttributes.h"
#include "platform/LogFile.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "platform/Process.h"
#include "platform/ServiceManager.h"
#include "platform/Shell.h"
#include "platform/standin/Application.h"
#include "platform/standin/Clock.h"
#include "platform/standin/Control.h"
#include "platform/standin/Dialog.h"
#include "platform/standin/EventLog.h"
#include "platform/standin/Process.h"
#include "platform/standin/ServiceControl.h"
#include "platform/standin/ServiceRegistry.h"
#include "platform/standin/Shell.h"

namespace standin = platform::standin;
namespace fs = std::filesystem;

namespace {

std::atomic<int> gMainRuns{0};
void VELMORA_WINAPI CountingMain(std::uint32_t, wchar_t**) { ++gMainRuns; }
void VELMORA_WINAPI OtherMain(std::uint32_t, wchar_t**) {}
void VELMORA_WINAPI IgnoringHandler(std::uint32_t) {}
bool IgnoringProcedure(void*, platform::WindowMessage&) { return false; }

platform::ServiceRegistration Registration(const std::wstring& name) {
  platform::ServiceRegistration r;
  r.ServiceName = name;
  r.BinaryPathName = LR"(C:\Apps\x.exe)";
  return r;
}

platform::ServiceStatus Running() {
  platform::ServiceStatus status;
  status.CurrentState = platform::svc::Running;
  return status;
}

class StandIn : public ::testing::Test {
protected:
  void SetUp() override {
    standin::Reset();
    FFolder =
        fs::temp_directory_path() /
        ("velmora-standin-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FFolder);
  }
  void TearDown() override {
    standin::Reset();
    std::error_code ignored;
    fs::remove_all(FFolder, ignored);
  }
  std::wstring PathOf(const std::string& name) const { return (FFolder / name).wstring(); }

  fs::path FFolder;
};

TEST_F(StandIn, EveryFallibleCallFailsThroughTheHookUnderItsWindowsName) {
  using platform::Handle;
  int directories = 0;
  const auto manager = [] { return platform::OpenSCManager(platform::svc::ManagerAllAccess); };
  const auto window = [] { return platform::window::CreateHidden(&IgnoringProcedure, nullptr); };
  const auto source = [] { return platform::RegisterEventSource(L"Svc"); };
  const std::pair<const char*, std::function<bool()>> calls[] = {
      {"OpenSCManagerW", [&] { return static_cast<bool>(manager()); }},
      {"CreateServiceW",
       [&] { return static_cast<bool>(platform::CreateService(manager(), Registration(L"Svc"))); }},
      {"OpenServiceW",
       [&] {
         standin::AddRegisteredService(Registration(L"Svc"));
         return static_cast<bool>(
             platform::OpenService(manager(), L"Svc", platform::svc::ServiceAllAccess));
       }},
      {"DeleteService",
       [&] {
         standin::AddRegisteredService(Registration(L"Svc"));
         return platform::DeleteService(
             platform::OpenService(manager(), L"Svc", platform::svc::ServiceAllAccess));
       }},
      {"CloseServiceHandle", [&] { return platform::CloseServiceHandle(manager().Release()); }},
      {"StartServiceCtrlDispatcherW",
       [] {
         std::wstring name = L"Svc";
         platform::ServiceTableEntry table[2] = {{name.data(), &OtherMain}, {nullptr, nullptr}};
         standin::ArrangeStart(name);
         return platform::StartServiceCtrlDispatcher(table);
       }},
      {"RegisterServiceCtrlHandlerW",
       [] { return platform::RegisterServiceCtrlHandler(L"Svc", &IgnoringHandler) != 0; }},
      {"SetServiceStatus",
       [] {
         return platform::SetServiceStatus(
             platform::RegisterServiceCtrlHandler(L"Svc", &IgnoringHandler), Running());
       }},
      {"RegisterEventSourceW", [&] { return static_cast<bool>(source()); }},
      {"ReportEventW",
       [&] { return platform::ReportEvent(source(), platform::eventlog::Error, 0, 0, L"x"); }},
      {"DeregisterEventSource",
       [&] { return platform::DeregisterEventSource(source().Release()); }},
      {"PostThreadMessageW",
       [] {
         platform::ThreadMessage m;
         platform::PeekMessage(m, 0, 0, false);
         return platform::PostThreadMessage(platform::CurrentThreadId(), platform::msg::User, 0, 0);
       }},
      {"GetMessageW",
       [] {
         platform::ThreadMessage m;
         platform::PeekMessage(m, 0, 0, false);
         platform::PostThreadMessage(platform::CurrentThreadId(), platform::msg::User, 0, 0);
         return platform::GetMessage(m) > 0;
       }},
      {"CreateWindowExW", [&] { return static_cast<bool>(window()); }},
      {"PostMessageW",
       [&] { return platform::PostWindowMessage(window().Get(), platform::wm::User, 0, 0); }},
      {"ShowOwnedPopups", [&] { return platform::ShowOwnedPopups(window().Get(), false); }},
      {"CreateFileW",
       [&] { return platform::LogFile::OpenExclusive(PathOf("Log.txt")) != nullptr; }},
      {"WriteFile",
       [&] {
         auto file = platform::LogFile::OpenExclusive(PathOf("Log.txt"));
         return file && file->Write("x");
       }},
      {"CreateDirectoryW",
       [&] { return platform::MakeDirectory(PathOf("d" + std::to_string(directories++))); }},
      {"GetFileAttributesW", [&] { return platform::DirectoryExists(FFolder.wstring()); }},
      {"GetFileAttributesW",
       [&] { return platform::FileAttributesOf(FFolder.wstring()).has_value(); }},
      {"SetEndOfFile",
       [&] {
         auto file = platform::LogFile::OpenExclusive(PathOf("Log.txt"));
         return file && file->CutTo(0);
       }},
      {"ShellExecuteW",
       [] {
         return platform::ShellExecute(0, std::nullopt, L"/bin/true", std::nullopt, std::nullopt,
                                       platform::shell::ShowHide) >
                platform::shell::LastErrorResult;
       }},
      {"MessageBoxW", [] { return platform::ShowMessageBox(0, L"t", L"c", 0) != 0; }},
      {"FormatMessageW", [] { return !platform::SystemMessage(2).empty(); }},
      {"GetModuleFileNameW", [] { return !platform::ModuleFileName().empty(); }},
      {"CompareStringW", [] { return platform::SameTextIgnoreCase(L"svc", L"SVC"); }},
  };
  std::uint32_t code = 0x2A00;
  for (const auto& [function, call] : calls) {
    SCOPED_TRACE(function);
    standin::Reset();
    standin::FailNext(function, ++code);
    platform::SetLastError(0);
    EXPECT_FALSE(call());
    EXPECT_EQ(platform::LastError(), code);
    EXPECT_TRUE(call()) << "only the armed call fails";
  }
}

TEST_F(StandIn, FaultsCountDownAndARaiseThatReturnsLetsTheCallGoOn) {
  standin::FailNext("CompareStringW", 5, 2);
  EXPECT_FALSE(platform::SameTextIgnoreCase(L"a", L"A"));
  EXPECT_FALSE(platform::SameTextIgnoreCase(L"a", L"A"));
  EXPECT_TRUE(platform::SameTextIgnoreCase(L"a", L"A"));

  int raised = 0;
  standin::RaiseNext("CompareStringW", [&] { ++raised; });
  EXPECT_TRUE(platform::SameTextIgnoreCase(L"a", L"A"));
  EXPECT_TRUE(platform::SameTextIgnoreCase(L"a", L"A"));
  EXPECT_EQ(raised, 1);
}

TEST_F(StandIn, ResetReturnsEveryConcernToANewProcess) {
  const std::wstring realModule = platform::ModuleFileName();
  const std::wstring realLine = platform::CommandLine();

  platform::ScmHandle manager = platform::OpenSCManager(platform::svc::ManagerAllAccess);
  standin::AddRegisteredService(Registration(L"Other"));
  platform::CreateService(manager, Registration(L"Svc"));
  standin::ArrangeStart(L"Svc");
  platform::SetServiceStatus(platform::RegisterServiceCtrlHandler(L"Svc", &IgnoringHandler),
                             Running());
  platform::ReportEvent(platform::RegisterEventSource(L"Svc"), platform::eventlog::Error, 0, 0,
                        L"x");
  platform::ThreadMessage m;
  platform::PeekMessage(m, 0, 0, false);
  platform::PostThreadMessage(platform::CurrentThreadId(), platform::msg::User, 0, 0);
  platform::WindowHandle window = platform::window::CreateHidden(&IgnoringProcedure, nullptr);
  platform::ShowOwnedPopups(window.Get(), false);
  platform::ShowMessageBox(0, L"t", L"c", 0);
  standin::SetConsole(true);
  platform::WriteStdOut(L"out");
  platform::WriteStdErr(L"err");
  platform::ShellExecute(0, std::nullopt, PathOf("missing.exe"), std::nullopt, std::nullopt, 0);
  standin::SetLocalTime(platform::LocalTime{2001, 2, 3, 4, 5, 6, 7});
  standin::SetModuleFileName(std::wstring(L"C:\\X\\x.exe"));
  standin::SetCommandLine(std::wstring(L"x.exe /install"));
  standin::FailNext("CompareStringW", 5);
  platform::SetLastError(77);
  // Left open, for the reset to forget.
  (void)manager.Release();
  const platform::Handle windowId = window.Release();

  standin::Reset();

  EXPECT_EQ(platform::LastError(), 0u);
  EXPECT_EQ(standin::OpenRegistryHandles(), 0);
  EXPECT_FALSE(standin::RegisteredService(L"Other"));
  EXPECT_FALSE(standin::RegisteredService(L"Svc"));
  EXPECT_TRUE(standin::CreateServiceCalls().empty());
  EXPECT_TRUE(standin::StatusRecords(L"Svc").empty());
  EXPECT_EQ(standin::HandlerRegistrations(), 0);
  EXPECT_FALSE(standin::DispatcherReturned());
  EXPECT_TRUE(standin::EventEntries().empty());
  EXPECT_EQ(standin::EventSourceRegistrations(), 0);
  EXPECT_EQ(standin::EventSourceDeregistrations(), 0);
  EXPECT_EQ(standin::HiddenPopupCalls(windowId), 0);
  EXPECT_FALSE(platform::PostWindowMessage(windowId, platform::wm::User, 0, 0));
  EXPECT_EQ(platform::LastError(), platform::error::InvalidWindowHandle);
  EXPECT_TRUE(standin::ShownDialogs().empty());
  EXPECT_FALSE(platform::IsConsole());
  EXPECT_EQ(standin::StdOutText(), L"");
  EXPECT_EQ(standin::StdErrText(), L"");
  EXPECT_TRUE(standin::ShellLaunches().empty());
  EXPECT_NE(platform::LocalNow().Year, 2001);
  EXPECT_EQ(platform::ModuleFileName(), realModule);
  EXPECT_EQ(platform::CommandLine(), realLine);
  EXPECT_TRUE(platform::SameTextIgnoreCase(L"a", L"A")) << "no fault left armed";
  // Like a new process's thread: no queue until it looks at one.
  EXPECT_FALSE(platform::PostThreadMessage(platform::CurrentThreadId(), platform::msg::User, 0, 0));
  EXPECT_EQ(platform::LastError(), platform::error::InvalidThreadId);
  EXPECT_FALSE(platform::PeekMessage(m, 0, 0, true));
  // No start request is left for a dispatcher.
  std::wstring name = L"Svc";
  platform::ServiceTableEntry table[2] = {{name.data(), &OtherMain}, {nullptr, nullptr}};
  EXPECT_FALSE(platform::StartServiceCtrlDispatcher(table));
  EXPECT_EQ(platform::LastError(), platform::error::FailedServiceControllerConnect);
}

TEST_F(StandIn, NamesFoldAlikeInComparisonsRegistrationsStatusAndStarts) {
  struct Case {
    const wchar_t* Registered;
    const wchar_t* Asked;
    bool Same;
  };
  for (const Case& c :
       {Case{L"VelmoraNFCeStarter", L"VELMORANFCESTARTER", true},
        Case{L"Servi\u00E7o\u00C0", L"SERVI\u00C7O\u00E0", true},
        Case{L"Servico", L"Servi\u00E7o", false}, Case{L"Starter", L"Starter ", false}}) {
    SCOPED_TRACE(testing::Message() << c.Registered << " / " << c.Asked);
    standin::Reset();
    EXPECT_EQ(platform::SameTextIgnoreCase(c.Registered, c.Asked), c.Same);

    {
      const platform::ScmHandle manager = platform::OpenSCManager(platform::svc::ManagerAllAccess);
      standin::AddRegisteredService(Registration(c.Registered));
      EXPECT_EQ(standin::RegisteredService(c.Asked).has_value(), c.Same);
      EXPECT_EQ(static_cast<bool>(
                    platform::OpenService(manager, c.Asked, platform::svc::ServiceAllAccess)),
                c.Same);
      EXPECT_EQ(!platform::CreateService(manager, Registration(c.Asked)), c.Same);
    }

    platform::SetServiceStatus(platform::RegisterServiceCtrlHandler(c.Registered, &IgnoringHandler),
                               Running());
    EXPECT_EQ(standin::StatusRecords(c.Asked).size(), c.Same ? 1u : 0u);

    std::wstring registered = c.Registered, other = L"Other";
    platform::ServiceTableEntry table[3] = {
        {registered.data(), &CountingMain}, {other.data(), &OtherMain}, {nullptr, nullptr}};
    gMainRuns = 0;
    standin::ArrangeStart(c.Asked);
    EXPECT_TRUE(platform::StartServiceCtrlDispatcher(table));
    EXPECT_EQ(gMainRuns, c.Same ? 1 : 0);
  }
}

}  // namespace
