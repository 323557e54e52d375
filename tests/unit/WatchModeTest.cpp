// Watch mode: the delay schedule and the event-log limit as tables, and the
// starter's watch loop run by the stand-in service manager with a frozen tick
// clock, so each delay is checked exactly and the test decides when it passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "app/UVelmoraNFCeStarter.h"
#include "app/VigiaAPI.h"
#include "platform/EventLog.h"
#include "platform/ProcessWatch.h"
#include "platform/ServiceManager.h"
#include "platform/standin/Control.h"
#include "platform/standin/EventLog.h"
#include "platform/standin/Paths.h"
#include "platform/standin/Process.h"
#include "platform/standin/ProcessWatch.h"
#include "platform/standin/ServiceControl.h"
#include "platform/standin/ServiceRegistry.h"
#include "platform/standin/Shell.h"
#include "svc/ServiceApplication.h"
#include "svc/ServiceRuntime.h"
#include "svc/ServiceSettings.h"
#include "tests/TestSupport.h"
#include "util/LogArquivo.h"

namespace fs = std::filesystem;
namespace standin = platform::standin;
using testsupport::WaitUntil;

namespace {

TEST(DelaySchedule, DoublesAfterShortRunsUpToAMinuteAndResetsAfterALongOne) {
  struct Case {
    const char* name;
    std::vector<std::uint64_t> runsMs;
    std::vector<std::uint32_t> delaysS;
  };
  const Case cases[] = {
      {"exits at once", {0, 0, 0, 0, 0, 0, 0, 0, 0}, {1, 2, 4, 8, 16, 32, 60, 60, 60}},
      {"a first long run still waits 1 s", {3600000, 0}, {1, 2}},
      {"60 s is long, 59.999 s short", {0, 59999, 60000, 100, 60000}, {1, 2, 1, 2, 1}},
      {"reset from the maximum",
       {0, 0, 0, 0, 0, 0, 0, 0, 120000, 0},
       {1, 2, 4, 8, 16, 32, 60, 60, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TAtrasoReexecucao atraso;
    std::vector<std::uint32_t> delays;
    for (std::uint64_t run : c.runsMs) delays.push_back(atraso.Proximo(run) / 1000);
    EXPECT_EQ(delays, c.delaysS);
  }
}

TEST(EventLogLimit, OneEntryPerTenMinutesOnceTheDelayIsAtItsMaximum) {
  struct Step {
    std::uint64_t atS;
    std::uint32_t delayS;
    bool written;
    std::uint32_t omitted;  // reported with a written entry
  };
  const Step steps[] = {
      {0, 1, true, 0},     {1, 2, true, 0},     {3, 60, true, 0},   {63, 60, false, 0},
      {123, 60, false, 0}, {602, 60, false, 0}, {603, 60, true, 3}, {663, 60, false, 0},
      {700, 1, true, 1},  // a good run ends the loop: every end has its entry again
      {701, 60, true, 0},  {702, 60, false, 0},
  };
  TLimiteAvisos limite;
  for (const Step& s : steps) {
    SCOPED_TRACE("at " + std::to_string(s.atS) + " s");
    EXPECT_EQ(limite.Permite(s.atS * 1000, s.delayS * 1000), s.written);
    if (s.written) {
      EXPECT_EQ(limite.Omitidos(), s.omitted);
    }
  }
}

TEST(WatchTexts, NameTheProcessTheExitCodeAndTheTimes) {
  EXPECT_EQ(TextoVigia::Adotada(4242),
            L"API já em execução (processo 4242): acompanhando, sem abrir outra cópia.");
  EXPECT_EQ(TextoVigia::Encerrada(4242, 1, 59999, 2000),
            L"API encerrada (processo 4242, código de saída 1, após 59 s). Nova execução em 2 s.");
  EXPECT_EQ(TextoVigia::CodigoSaida(3221225477u), L"3221225477 (0xC0000005)");
  EXPECT_EQ(TextoVigia::Recusada(L"C:\\Loja\\divevezodoz.exe", 2, 4000),
            L"API não executada: o Windows recusou C:\\Loja\\divevezodoz.exe (retorno 2). "
            L"Nova tentativa em 4 s.");
}

constexpr std::uint32_t SP = platform::svc::StartPending, RU = platform::svc::Running,
                        STP = platform::svc::StopPending, ST = platform::svc::Stopped;
const std::wstring kName = L"VelmoraNFCeStarter";

class WatchMode : public ::testing::Test {
protected:
  void SetUp() override {
    FPreviousCwd = fs::current_path();
    std::random_device random;
    FRoot = fs::temp_directory_path() / ("velmora-watch-" + std::to_string(random()));
    fs::create_directories(FRoot);
    fs::current_path(FRoot);
    standin::Reset();
    ResetStatusCheckPoint();
    standin::SetModuleFileName(standin::FromHostPath((FRoot / "ServicoVelmoraNFCe.exe").string()));
    ReleaseLog();
    App = std::make_unique<TServiceApplication>(nullptr);
    ServiceApplication = App.get();
    App->CreateForm(StarterInstance);
    standin::FreezeTickCount(1000000);
    Emitter = standin::FromHostPath((FRoot / "divevezodoz.exe").string());
  }

  void TearDown() override {
    fs::remove(FRoot / "divevezodoz.live");
    if (Dispatcher.joinable()) {
      standin::SendControl(kName, platform::svc::ControlStop);
      Dispatcher.join();
    }
    ReleaseLog();
    EXPECT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));
    // Every launched copy has ended by itself; none was ended by the service.
    EXPECT_TRUE(WaitUntil([] {
      for (const auto& p : standin::Processes())
        if (p.Running && p.Id < 90000) return false;
      return true;
    }));
    ServiceApplication = nullptr;
    StarterInstance = nullptr;
    App.reset();
    standin::Reset();
    fs::current_path(FPreviousCwd);
    std::error_code ignored;
    fs::remove_all(FRoot, ignored);
  }

  void PlaceEmitter() {
    const fs::path target = FRoot / "divevezodoz.exe";
    fs::copy_file(fs::path(VELMORA_SUPPORT_DIR) / "divevezodoz", target,
                  fs::copy_options::overwrite_existing);
  }
  // While the file lies there, a launched emitter keeps running.
  void KeepEmitterRunning(bool on) {
    if (on)
      std::ofstream(FRoot / "divevezodoz.live") << "";
    else
      fs::remove(FRoot / "divevezodoz.live");
  }

  void Start() {
    standin::ArrangeStart(kName);
    Dispatcher = std::thread([this] { platform::StartServiceCtrlDispatcher(Table); });
  }
  void Stop(std::uint32_t code = platform::svc::ControlStop) {
    ASSERT_TRUE(standin::SendControl(kName, code));
    ASSERT_TRUE(standin::WaitForDispatcherReturn());
    Dispatcher.join();
  }

  // The service blocks on the emitter (no limit) or in a delay (one deadline).
  static bool Watching() {
    return standin::BlockedWaits() == 1 && standin::TimedWaitDeadlines().empty();
  }
  static bool DelayOf(std::uint64_t ms) {
    const auto deadlines = standin::TimedWaitDeadlines();
    return standin::BlockedWaits() == 1 && deadlines.size() == 1 &&
           deadlines[0] == platform::TickCount() + ms;
  }
  static std::size_t Launches() { return standin::ShellLaunches().size(); }

  static std::vector<std::uint32_t> States() {
    std::vector<std::uint32_t> states;
    for (const auto& r : standin::StatusRecords(kName)) states.push_back(r.CurrentState);
    return states;
  }

  // The log is written in Windows-1252; the texts here stay within its Latin-1 part.
  static std::wstring Latin1(const std::string& bytes) {
    std::wstring text;
    for (unsigned char c : bytes) text += static_cast<wchar_t>(c);
    return text;
  }

  // Level and text of every line of the day's files, in file order.
  std::vector<std::pair<std::string, std::wstring>> LogLines() {
    ReleaseLog();
    EXPECT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));
    static const std::regex line(
        R"(^\S+ \S+  [0-9A-F]{8} (\S+) *: \[TVelmoraNFCeStarter {13}\] (.*)\r$)");
    std::vector<std::pair<std::string, std::wstring>> lines;
    if (!fs::is_directory(FRoot / "log")) return lines;
    for (const auto& entry : fs::directory_iterator(FRoot / "log")) {
      std::ifstream in(entry.path(), std::ios::binary);
      for (std::string l; std::getline(in, l);) {
        std::smatch m;
        if (std::regex_match(l, m, line)) lines.emplace_back(m[1].str(), Latin1(m[2].str()));
      }
    }
    return lines;
  }
  std::size_t CountLines(const std::string& level, const std::wstring& text) {
    const auto lines = LogLines();
    return static_cast<std::size_t>(
        std::count(lines.begin(), lines.end(), std::make_pair(level, text)));
  }

  static std::vector<std::wstring> Warnings() {
    std::vector<std::wstring> texts;
    for (const auto& e : standin::EventEntries()) {
      EXPECT_EQ(e.Source, kName);
      EXPECT_EQ(e.Type, platform::eventlog::Warning) << std::string(e.Text.begin(), e.Text.end());
      texts.push_back(e.Text);
    }
    return texts;
  }

  fs::path FRoot, FPreviousCwd;
  std::wstring Emitter;
  std::unique_ptr<TServiceApplication> App;
  std::wstring TableName = kName;
  platform::ServiceTableEntry Table[2] = {{TableName.data(), &ServiceMainCallback},
                                          {nullptr, nullptr}};
  std::thread Dispatcher;
};

TEST_F(WatchMode, OffUnlessParametersWatchIsTheDwordOne) {
  struct Case {
    const char* name;
    std::optional<standin::ParameterData> watch;
    bool unreadable;
  };
  const Case cases[] = {{"no value", std::nullopt, false},
                        {"0", std::uint32_t{0}, false},
                        {"2", std::uint32_t{2}, false},
                        {"text \"1\"", std::wstring(L"1"), false},
                        {"unreadable", std::uint32_t{1}, true}};
  PlaceEmitter();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    standin::Reset();
    ResetStatusCheckPoint();
    standin::SetModuleFileName(standin::FromHostPath((FRoot / "ServicoVelmoraNFCe.exe").string()));
    if (c.watch) standin::SetServiceParameter(kName, WatchValueName, c.watch);
    if (c.unreadable) standin::FailNext("RegQueryValueExW", platform::error::AccessDenied);
    standin::ArrangeStart(kName);
    ASSERT_TRUE(platform::StartServiceCtrlDispatcher(Table));
    // As described: one launch through ShellExecuteW, nothing watched, stopped by itself.
    EXPECT_EQ(States(), (std::vector<std::uint32_t>{SP, SP, RU, ST}));
    EXPECT_EQ(Launches(), 1u);
    EXPECT_TRUE(standin::Processes().empty()) << "no process handle was asked for";
    EXPECT_TRUE(standin::EventEntries().empty());
  }
}

TEST_F(WatchMode, AdoptsARunningCopyThenRelaunchesItOneSecondAfterItEnds) {
  standin::SetServiceParameter(kName, WatchValueName, std::uint32_t{1});
  PlaceEmitter();
  KeepEmitterRunning(true);
  // Another program's image must not be taken for ours; ours matches whatever its case.
  standin::AddProcess(standin::FromHostPath((FRoot / "outro.exe").string()));
  std::wstring upper = Emitter;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);
  const std::uint32_t adopted = standin::AddProcess(upper, 5000);
  Start();
  ASSERT_TRUE(WaitUntil(Watching));
  EXPECT_EQ(Launches(), 0u) << "no second copy";
  EXPECT_EQ(States(), (std::vector<std::uint32_t>{SP, SP, RU}));
  EXPECT_EQ(standin::StatusRecords(kName).back().ControlsAccepted, 5u);

  // An interrogation is answered while watching, and the watch goes on.
  ASSERT_TRUE(standin::SendControl(kName, platform::svc::ControlInterrogate));
  ASSERT_TRUE(standin::WaitForStatusRecords(kName, 4));
  EXPECT_EQ(States().back(), RU);
  ASSERT_TRUE(WaitUntil(Watching));

  standin::AdvanceTickCount(2000);
  standin::EndProcess(adopted, 3);
  ASSERT_TRUE(WaitUntil([] { return DelayOf(1000); }));
  const std::wstring ended = TextoVigia::Encerrada(adopted, 3, 7000, 1000);
  EXPECT_EQ(Warnings(), std::vector<std::wstring>{ended});
  EXPECT_EQ(Launches(), 0u) << "not before the delay";

  standin::AdvanceTickCount(999);
  ASSERT_TRUE(WaitUntil([] { return DelayOf(1); }));
  standin::AdvanceTickCount(1);
  ASSERT_TRUE(WaitUntil([] { return Launches() == 1 && Watching(); }));
  const auto launch = standin::ShellLaunches().back();
  EXPECT_EQ(launch.File, Emitter);
  EXPECT_EQ(launch.ShowCommand, 0);
  EXPECT_GT(launch.Result, 32);
  std::uint32_t launched = 0;
  for (const auto& p : standin::Processes())
    if (p.Running && p.Image == Emitter) launched = p.Id;
  ASSERT_NE(launched, 0u);

  // A stop leaves the emitter running and the service stopped with 0.
  Stop();
  EXPECT_EQ(States(), (std::vector<std::uint32_t>{SP, SP, RU, RU, STP, ST}));
  EXPECT_EQ(standin::StatusRecords(kName).back().Win32ExitCode, 0u);
  EXPECT_EQ(standin::StatusRecords(kName).back().ServiceSpecificExitCode, 0u);
  bool stillRunning = false;
  for (const auto& p : standin::Processes())
    if (p.Id == launched) stillRunning = p.Running;
  EXPECT_TRUE(stillRunning);
  EXPECT_EQ(Launches(), 1u);

  const auto lines = LogLines();
  const std::vector<std::pair<std::string, std::wstring>> expected = {
      {"INFO", TextoVigia::Ativo()},
      {"INFO", TextoVigia::Adotada(adopted)},
      {"ALERTA", ended},
      {"INFO", L"Executando API: " + Emitter},
      {"INFO", L"Enviado comando ShellExecute para o Windows. Retorno: 42"},
      {"INFO", TextoVigia::Acompanhando(launched)},
      {"INFO", TextoVigia::ParadoComAPI(launched)}};
  // Writers run on threads of their own: compare as sets of lines.
  auto sorted = [](auto v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  EXPECT_EQ(sorted(lines), sorted(expected));
}

TEST_F(WatchMode, EmitterThatExitsAtOnceWaits1_2_4_8SecondsAndAShutdownEndsADelay) {
  standin::SetServiceParameter(kName, WatchValueName, std::uint32_t{1});
  PlaceEmitter();
  std::ofstream(FRoot / "divevezodoz.exitcode") << "7";
  Start();
  for (std::uint32_t delay : {1000u, 2000u, 4000u, 8000u}) {
    SCOPED_TRACE(delay);
    ASSERT_TRUE(WaitUntil([&] { return DelayOf(delay); }));
    standin::AdvanceTickCount(delay);
  }
  ASSERT_TRUE(WaitUntil([] { return DelayOf(16000); }));
  EXPECT_EQ(Launches(), 5u);
  // A shutdown in the middle of a delay: the service stops at once, no launch follows.
  Stop(platform::svc::ControlShutdown);
  EXPECT_EQ(Launches(), 5u);
  EXPECT_EQ(States().back(), ST);
  EXPECT_EQ(standin::StatusRecords(kName).back().Win32ExitCode, 0u);
  EXPECT_EQ(Warnings().size(), 5u);
  EXPECT_EQ(CountLines("INFO", TextoVigia::ParadoSemAPI()), 1u);
  const auto lines = LogLines();
  const auto alerts = std::count_if(lines.begin(), lines.end(), [](const auto& l) {
    return l.first == "ALERTA" &&
           l.second.find(L"código de saída 7, após 0 s") != std::wstring::npos;
  });
  EXPECT_EQ(alerts, 5);
}

TEST_F(WatchMode, RefusedLaunchesAreRetriedAndTheEventLogIsLimitedButNotTheFile) {
  standin::SetServiceParameter(kName, WatchValueName, std::uint32_t{1});
  // No emitter in the folder: the shell answers 2 every time.
  Start();
  std::uint32_t delay = 1000;
  std::uint64_t total = 0;
  int ends = 0;
  // 1, 2, 4, 8, 16, 32, then 60 s until 12 minutes have passed at the maximum.
  while (total < 20 * 60 * 1000) {
    ASSERT_TRUE(WaitUntil([&] { return DelayOf(delay); })) << "after " << ends << " ends";
    ++ends;
    standin::AdvanceTickCount(delay);
    total += delay;
    delay = std::min(delay * 2, 60000u);
  }
  ASSERT_TRUE(WaitUntil([&] { return DelayOf(60000); }));
  ++ends;
  Stop();
  EXPECT_EQ(standin::StatusRecords(kName).back().Win32ExitCode, 0u) << "watch mode keeps running";
  EXPECT_EQ(standin::StatusRecords(kName).back().ServiceSpecificExitCode, 0u);
  EXPECT_EQ(Launches(), static_cast<std::size_t>(ends));
  for (const auto& l : standin::ShellLaunches()) EXPECT_EQ(l.Result, 2);

  // Every end has its line; the event log has 7 below or at the first maximum,
  // then one per 10 minutes.
  const auto lines = LogLines();
  const auto alerts = std::count_if(lines.begin(), lines.end(), [](const auto& l) {
    return l.first == "ALERTA" && l.second.rfind(L"API não executada: o Windows recusou ", 0) == 0;
  });
  EXPECT_EQ(alerts, ends);
  EXPECT_EQ(CountLines("INFO", L"Enviado comando ShellExecute para o Windows. Retorno: 2"),
            static_cast<std::size_t>(ends));
  // Ends at 0, 1, 3, 7, 15 and 31 s, then every 60 s from 63 s to 1203 s: the
  // maximum's entries are those at 63 s and 663 s.
  const auto warnings = Warnings();
  EXPECT_EQ(warnings.size(), 8u);
  EXPECT_EQ(warnings[0], TextoVigia::Recusada(Emitter, 2, 1000));
  EXPECT_NE(warnings.back().find(L"avisos iguais omitidos"), std::wstring::npos);
}

}  // namespace
