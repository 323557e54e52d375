#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/UVelmoraNFCeStarter.h"
#include "platform/ServiceManager.h"
#include "platform/Shell.h"
#include "platform/standin/Control.h"
#include "platform/standin/EventLog.h"
#include "platform/standin/Paths.h"
#include "platform/standin/Process.h"
#include "platform/standin/ServiceControl.h"
#include "platform/standin/Shell.h"
#include "svc/ServiceApplication.h"
#include "svc/ServiceRuntime.h"
#include "tests/TestSupport.h"
#include "util/Exceptions.h"
#include "util/LogArquivo.h"

namespace fs = std::filesystem;
using platform::standin::ShellLaunch;

using testsupport::Gate;
using testsupport::WaitUntil;

namespace {

std::wstring WindowsPath(const fs::path& p) { return platform::standin::FromHostPath(p.string()); }

std::vector<std::string> ReadLines(const fs::path& file, const std::string& ending) {
  std::ifstream in(file, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < all.size();) {
    std::size_t end = all.find(ending, start);
    if (end == std::string::npos) end = all.size();
    lines.push_back(all.substr(start, end - start));
    start = end + ending.size();
  }
  return lines;
}

// The texts of the starter's lines in every log file of a folder's "log"
// subfolder; any other line there must come from the logger itself.
std::vector<std::wstring> StarterTexts(const fs::path& folder) {
  static const std::regex line(
      R"(^\d{4}-\d{2}-\d{2} \d{2}.\d{2}.\d{2}  [0-9A-F]{8} INFO   : \[TVelmoraNFCeStarter {13}\] (.*)$)");
  std::vector<std::wstring> texts;
  if (!fs::is_directory(folder / "log")) return texts;
  for (const auto& entry : fs::directory_iterator(folder / "log")) {
    for (const std::string& l : ReadLines(entry.path(), "\r\n")) {
      std::smatch m;
      if (std::regex_match(l, m, line))
        texts.push_back(platform::standin::FromUtf8(m[1].str()));
      else
        EXPECT_NE(l.find("[TLogArquivo"), std::string::npos) << "unexpected line: " << l;
    }
  }
  std::sort(texts.begin(), texts.end());  // writers run on threads of their own
  return texts;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class StarterTest : public ::testing::Test {
protected:
  void SetUp() override {
    FPreviousCwd = fs::current_path();
    std::random_device random;
    FRoot = fs::temp_directory_path() / ("velmora-starter-" + std::to_string(random()));
    fs::create_directories(FRoot);
    // Relative and drive-letter paths of the stand-in resolve inside the test's folder.
    fs::current_path(FRoot);
    platform::standin::Reset();
    StarterInstance = nullptr;
    starter = TComponent::CreateOwned<TVelmoraNFCeStarter>(&FOwner);
  }

  void TearDown() override {
    StarterInstance = nullptr;
    ReleaseLog();
    EXPECT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));
    platform::standin::Reset();
    fs::current_path(FPreviousCwd);
    std::error_code ignored;
    fs::remove_all(FRoot, ignored);
  }

  // The executable lies in folder; the log moves there with it.
  void RunFrom(const fs::path& folder, const std::wstring& module = L"") {
    fs::create_directories(folder);
    platform::standin::SetModuleFileName(
        module.empty() ? WindowsPath(folder / "ServicoVelmoraNFCe.exe") : module);
    ReleaseLog();
    ASSERT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));
  }

  void Execute() {
    starter->ServiceExecute(starter);
    ASSERT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));
  }

  static void PlaceEmitter(const fs::path& folder) {
    fs::create_directories(folder);
    const fs::path target = folder / "divevezodoz.exe";
    fs::copy_file(fs::path(VELMORA_SUPPORT_DIR) / "divevezodoz", target,
                  fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_all, fs::perm_options::add);
  }

  static std::vector<std::string> Started(const fs::path& folder) {
    return ReadLines(folder / "divevezodoz.started", "\n");
  }

  static ShellLaunch LastLaunch() {
    auto all = platform::standin::ShellLaunches();
    return all.empty() ? ShellLaunch{} : all.back();
  }

  fs::path FRoot;
  fs::path FPreviousCwd;
  TComponent FOwner{nullptr};
  TVelmoraNFCeStarter* starter = nullptr;
};

const std::wstring kRetorno = L"Enviado comando ShellExecute para o Windows. Retorno: ";

}  // namespace

TEST_F(StarterTest, DefinitionIsAppliedOverTheDefaults) {
  EXPECT_EQ(starter->ClassName(), L"TVelmoraNFCeStarter");
  EXPECT_EQ(starter->Owner(), &FOwner);
  EXPECT_EQ(starter->Name(), L"VelmoraNFCeStarter");
  EXPECT_EQ(starter->DisplayName(), L"Velmora NFC-e Starter");
  EXPECT_TRUE(starter->AllowStop());
  EXPECT_FALSE(starter->AllowPause());
  ASSERT_EQ(starter->Dependencies()->Count(), 1);
  EXPECT_EQ(starter->Dependencies()->GetItem(0)->Name(), L"postgresql-9.4");
  EXPECT_FALSE(starter->Dependencies()->GetItem(0)->IsGroup());
  EXPECT_EQ(starter->Dependencies()->Owner(), starter);
  EXPECT_EQ(starter->ErrorSeverity(), esNormal);
  EXPECT_FALSE(starter->Interactive());
  EXPECT_EQ(starter->LoadGroup(), L"");
  EXPECT_EQ(starter->Password(), L"");
  EXPECT_EQ(starter->ServiceStartName(), L"");
  EXPECT_EQ(starter->ServiceType(), stWin32);
  EXPECT_EQ(starter->StartType(), stAuto);
  EXPECT_EQ(starter->TagID(), 0u);
  EXPECT_EQ(starter->WaitHint(), 5000);
  EXPECT_TRUE(static_cast<bool>(starter->OnExecute()));
  EXPECT_FALSE(starter->OnStart() || starter->OnStop() || starter->OnPause() ||
               starter->OnContinue() || starter->OnShutdown() || starter->BeforeInstall() ||
               starter->AfterInstall() || starter->BeforeUninstall() || starter->AfterUninstall());
  EXPECT_EQ(starter->Status(), csStopped);
}

TEST_F(StarterTest, ControlHandlerEntryIsThePlainFunction) {
  EXPECT_EQ(starter->GetServiceController(), &ServiceControlHandler);
}

TEST_F(StarterTest, OnExecuteLaunchesTheEmitterBesideTheExecutableHidden) {
  RunFrom(FRoot / "Apps" / "Nfce");
  PlaceEmitter(FRoot / "Apps" / "Nfce");
  starter->OnExecute()(starter);  // the handler as the service thread calls it
  ASSERT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));

  const std::wstring caminho = WindowsPath(FRoot / "Apps" / "Nfce") + L"\\divevezodoz.exe";
  const ShellLaunch launch = LastLaunch();
  EXPECT_EQ(launch.File, caminho);
  EXPECT_FALSE(launch.Verb.has_value()) << "the shell's default verb";
  EXPECT_EQ(launch.Parameters, std::optional<std::wstring>(L""));
  EXPECT_EQ(launch.Directory, std::optional<std::wstring>(L""));
  EXPECT_EQ(launch.ShowCommand, platform::shell::ShowHide);
  EXPECT_GT(launch.Result, 32);

  EXPECT_TRUE(WaitUntil([&] { return Started(FRoot / "Apps" / "Nfce").size() == 1; }));
  EXPECT_EQ(StarterTexts(FRoot / "Apps" / "Nfce"),
            Sorted({L"Executando API: " + caminho, kRetorno + std::to_wstring(launch.Result)}));
  EXPECT_EQ(starter->ErrCode(), 0u);
  EXPECT_EQ(starter->Win32ErrCode(), 0u);
}

TEST_F(StarterTest, RefusedLaunchIsLoggedAndBecomesTheServiceSpecificExitCode) {
  struct Case {
    const char* name;
    std::optional<std::uint32_t> forced;  // the shell's failure; none: the emitter is missing
    std::uint32_t errCode;                // 0: the code the shell returned
  };
  const Case cases[] = {{"emitter missing", std::nullopt, 0},
                        {"shell out of memory", platform::error::OutOfMemory, 8},
                        {"no association", platform::error::NoAssociation, 31}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = FRoot / ("case" + std::to_string(n++));
    RunFrom(folder);
    TVelmoraNFCeStarter* fresh = TComponent::CreateOwned<TVelmoraNFCeStarter>(&FOwner);
    if (c.forced) platform::standin::FailNext("ShellExecuteW", *c.forced);
    fresh->ServiceExecute(fresh);
    ASSERT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));

    const std::intptr_t result = LastLaunch().Result;
    EXPECT_LE(result, 32);
    if (!c.forced) {
      EXPECT_EQ(result, 2) << "file not found";
    }
    EXPECT_EQ(StarterTexts(folder),
              Sorted({L"Executando API: " + WindowsPath(folder) + L"\\divevezodoz.exe",
                      kRetorno + std::to_wstring(result)}));
    EXPECT_EQ(fresh->ErrCode(), c.errCode ? c.errCode : static_cast<std::uint32_t>(result));
    EXPECT_EQ(fresh->Win32ErrCode(), 0u);
    EXPECT_FALSE(fs::exists(folder / "divevezodoz.started"));
  }
}

TEST_F(StarterTest, WhatIsNotAFileIsReportedLikeAMissingEmitterAndNothingIsOpened) {
  // The shell would open a folder and answer as for a started program.
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> place;
    std::size_t launches;
  };
  const Case cases[] = {
      {"emitter missing", [](const fs::path&) {}, 1},
      {"a folder named like the emitter",
       [](const fs::path& f) { fs::create_directories(f / "divevezodoz.exe" / "dentro"); }, 0},
      {"a link to a folder",
       [](const fs::path& f) {
         fs::create_directories(f / "outra");
         fs::create_directory_symlink(f / "outra", f / "divevezodoz.exe");
       },
       0},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::standin::Reset();
    const fs::path folder = FRoot / ("notfile" + std::to_string(n++));
    RunFrom(folder);
    c.place(folder);
    TVelmoraNFCeStarter* fresh = TComponent::CreateOwned<TVelmoraNFCeStarter>(&FOwner);
    fresh->ServiceExecute(fresh);
    ASSERT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));

    const auto launches = platform::standin::ShellLaunches();
    ASSERT_EQ(launches.size(), c.launches) << "nothing but a file goes to the shell";
    if (!launches.empty()) {
      EXPECT_EQ(launches[0].Result, 2) << "what a missing file gives";
    }
    EXPECT_EQ(StarterTexts(folder),
              Sorted({L"Executando API: " + WindowsPath(folder) + L"\\divevezodoz.exe",
                      kRetorno + std::wstring(L"2")}));
    EXPECT_EQ(fresh->ErrCode(), 2u);
    EXPECT_EQ(fresh->Win32ErrCode(), 0u);
    EXPECT_FALSE(fs::exists(folder / "divevezodoz.started"));
  }
}

TEST_F(StarterTest, FailureDuringTheLaunchIsLoggedAtInfoAndMarksTheService) {
  RunFrom(FRoot);
  PlaceEmitter(FRoot);
  platform::standin::RaiseNext("ShellExecuteW", [] { throw EOSError(0); });
  Execute();
  EXPECT_EQ(StarterTexts(FRoot),
            Sorted({L"Executando API: " + WindowsPath(FRoot) + L"\\divevezodoz.exe",
                    L"Erro ao executar API: A call to an OS function failed"}));
  EXPECT_EQ(starter->Win32ErrCode(), 1064u);
  EXPECT_EQ(starter->ErrCode(), 0u);
  EXPECT_FALSE(fs::exists(FRoot / "divevezodoz.started"));
}

TEST_F(StarterTest, FailureOfAnotherKindPassesThrough) {
  RunFrom(FRoot);
  platform::standin::RaiseNext("ShellExecuteW", [] { throw std::runtime_error("not ours"); });
  EXPECT_THROW(starter->ServiceExecute(starter), std::runtime_error);
  ASSERT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));
  EXPECT_EQ(
      StarterTexts(FRoot),
      std::vector<std::wstring>{L"Executando API: " + WindowsPath(FRoot) + L"\\divevezodoz.exe"});
  EXPECT_EQ(starter->Win32ErrCode(), 0u);
}

TEST_F(StarterTest, EmitterFolderComesFromTheModulePath) {
  struct Case {
    std::wstring module;
    std::wstring launched;
  };
  const Case cases[] = {
      {L"C:\\Apps\\Nfce\\ServicoVelmoraNFCe.exe", L"C:\\Apps\\Nfce\\divevezodoz.exe"},
      {L"C:ServicoVelmoraNFCe.exe", L"C:divevezodoz.exe"},
      {L"ServicoVelmoraNFCe.exe", L"divevezodoz.exe"},
  };
  // The drive letter is a plain folder name to the stand-in shell, here inside
  // FRoot; the stand-in log opens host-absolute paths only, so these runs log nothing.
  PlaceEmitter(FRoot / "C:" / "Apps" / "Nfce");
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::standin::ToUtf8(c.module));
    RunFrom(FRoot, c.module);
    Execute();
    EXPECT_EQ(LastLaunch().File, c.launched);
  }
  EXPECT_TRUE(WaitUntil([&] { return Started(FRoot / "C:" / "Apps" / "Nfce").size() == 1; }));
}

TEST_F(StarterTest, ModulePathLongerThanTheOldBufferIsNotCut) {
  const fs::path folder =
      FRoot / std::string(120, 'a') / std::string(120, 'b') / std::string(120, 'c');
  RunFrom(folder);
  PlaceEmitter(folder);
  Execute();
  const std::wstring caminho = WindowsPath(folder) + L"\\divevezodoz.exe";
  ASSERT_GT(caminho.size(), 360u);
  EXPECT_EQ(LastLaunch().File, caminho);
  // The log itself cannot be opened at such a length (MAX_PATH), so only the launch tells.
  EXPECT_TRUE(WaitUntil([&] { return Started(folder).size() == 1; }));
}

TEST_F(StarterTest, EachStartLaunchesAnotherCopyWhileTheFirstStillRuns) {
  RunFrom(FRoot);
  PlaceEmitter(FRoot);
  std::ofstream(FRoot / "divevezodoz.hold").put('x');
  Execute();
  ASSERT_TRUE(WaitUntil([&] { return Started(FRoot).size() == 1; }));
  Execute();
  EXPECT_TRUE(WaitUntil([&] { return Started(FRoot).size() == 2; }));
  const auto pids = Started(FRoot);
  fs::remove(FRoot / "divevezodoz.hold");
  ASSERT_EQ(pids.size(), 2u);
  EXPECT_NE(pids[0], pids[1]);
  EXPECT_EQ(platform::standin::ShellLaunches().size(), 2u);
}

namespace {

// The starter as the program runs it: owned by the service application, in
// StarterInstance, started by the stand-in service manager's dispatcher.
class StarterService : public StarterTest {
protected:
  void SetUp() override {
    StarterTest::SetUp();
    ResetStatusCheckPoint();
    FApp = std::make_unique<TServiceApplication>(nullptr);
    ServiceApplication = FApp.get();
    FApp->CreateForm(StarterInstance);
    RunFrom(FRoot);
  }

  void TearDown() override {
    if (FDispatcher.joinable()) FDispatcher.join();
    StarterInstance = nullptr;
    ServiceApplication = nullptr;
    FApp.reset();
    StarterTest::TearDown();
  }

  void StartDispatcher() {
    platform::standin::ArrangeStart(FName);
    FDispatcher =
        std::thread([this] { FDispatched = platform::StartServiceCtrlDispatcher(FTable); });
  }

  void RunToEnd() {
    StartDispatcher();
    FDispatcher.join();
    EXPECT_TRUE(FDispatched);
    ASSERT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));
  }

  // State, Win32 exit code and service-specific exit code of each report.
  std::vector<std::array<std::uint32_t, 3>> Reports() const {
    std::vector<std::array<std::uint32_t, 3>> out;
    for (const platform::ServiceStatus& r : platform::standin::StatusRecords(FName))
      out.push_back({r.CurrentState, r.Win32ExitCode, r.ServiceSpecificExitCode});
    return out;
  }

  std::unique_ptr<TServiceApplication> FApp;
  std::wstring FName = L"VelmoraNFCeStarter";
  platform::ServiceTableEntry FTable[2] = {{FName.data(), &ServiceMainCallback},
                                           {nullptr, nullptr}};
  std::thread FDispatcher;
  bool FDispatched = false;
};

using ReportList = std::vector<std::array<std::uint32_t, 3>>;
constexpr std::uint32_t SP = platform::svc::StartPending, RU = platform::svc::Running,
                        STP = platform::svc::StopPending, ST = platform::svc::Stopped;

}  // namespace

TEST_F(StarterService, LaunchThenStopsByItselfWithCleanExitCodes) {
  PlaceEmitter(FRoot);
  RunToEnd();
  EXPECT_EQ(Reports(), (ReportList{{SP, 0, 0}, {SP, 0, 0}, {RU, 0, 0}, {ST, 0, 0}}));
  EXPECT_TRUE(WaitUntil([&] { return Started(FRoot).size() == 1; }));
  EXPECT_EQ(StarterTexts(FRoot).size(), 2u);
  EXPECT_TRUE(platform::standin::EventEntries().empty());
}

TEST_F(StarterService, RefusedOrFailedLaunchIsReportedWithTheStop) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::uint32_t win32Exit;
    std::uint32_t specificExit;
  };
  const Case cases[] = {
      {"emitter missing", [] {}, 1066, 2},
      {"shell out of memory",
       [] { platform::standin::FailNext("ShellExecuteW", platform::error::OutOfMemory); }, 1066, 8},
      {"failure during the launch",
       [] { platform::standin::RaiseNext("ShellExecuteW", [] { throw EOSError(0); }); }, 1064, 0},
      // Last: the folder stays.
      {"a folder in the emitter's place",
       [this] { fs::create_directories(FRoot / "divevezodoz.exe"); }, 1066, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::standin::Reset();
    RunFrom(FRoot);
    StarterInstance->SetErrCode(0);
    StarterInstance->SetWin32ErrCode(0);
    c.arrange();
    RunToEnd();
    EXPECT_EQ(Reports(),
              (ReportList{{SP, 0, 0}, {SP, 0, 0}, {RU, 0, 0}, {ST, c.win32Exit, c.specificExit}}));
    EXPECT_TRUE(platform::standin::EventEntries().empty())
        << "the handler's own failure is no service failure";
  }
}

TEST_F(StarterService, ControlCodesReachTheServiceThroughStarterInstance) {
  for (bool instanceSet : {true, false}) {
    SCOPED_TRACE(instanceSet ? "instance set" : "instance cleared");
    platform::standin::Reset();
    RunFrom(FRoot);
    Gate gate;
    StarterInstance->SetOnExecute([&](TService*) { gate.Wait(); });
    StartDispatcher();
    ASSERT_TRUE(platform::standin::WaitForStatusRecords(FName, 3));
    TVelmoraNFCeStarter* starter = StarterInstance;
    if (!instanceSet) StarterInstance = nullptr;
    EXPECT_TRUE(platform::standin::SendControl(FName, platform::svc::ControlStop));
    StarterInstance = starter;
    EXPECT_EQ(Reports().size(), 3u)
        << "the handler only forwards; the stop waits for the execute handler";
    gate.Open();
    FDispatcher.join();
    EXPECT_EQ(Reports(),
              instanceSet
                  ? (ReportList{{SP, 0, 0}, {SP, 0, 0}, {RU, 0, 0}, {STP, 0, 0}, {ST, 0, 0}})
                  : (ReportList{{SP, 0, 0}, {SP, 0, 0}, {RU, 0, 0}, {ST, 0, 0}}));
  }
}
