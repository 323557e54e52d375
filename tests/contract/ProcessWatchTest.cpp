// What watch mode relies on: a launch that hands back the process, a lookup
// of a running process by its image whatever the case of the path, one wait
// that ends on the process's end or on a message to the calling thread (one
// already queued included), and the exit code afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/Compare.h"
#include "platform/Messages.h"
#include "platform/Process.h"
#include "platform/ProcessWatch.h"
#include "platform/Shell.h"
#include "tests/contract/ContractTest.h"

namespace fs = std::filesystem;

namespace {

// The emitter double built for this platform.
fs::path EmitterDouble() {
#ifdef _WIN32
  // A host path; Wine shows the host's root as Z:.
  const char* dir = std::getenv("VELMORA_SUPPORT_DIR");
  std::string host = dir ? dir : "";
  std::replace(host.begin(), host.end(), '/', '\\');
  return fs::path("Z:" + host) / "divevezodoz.exe";
#else
  return fs::path(VELMORA_SUPPORT_DIR) / "divevezodoz";
#endif
}

class ProcessWatchContract : public contract::Test {
protected:
  void SetUp() override {
    contract::Test::SetUp();
    FFolder = fs::temp_directory_path() / contract::UniqueName(L"velmora-watch-");
    fs::create_directories(FFolder);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove(FFolder / "divevezodoz.live", ignored);
    fs::remove_all(FFolder, ignored);
    contract::Test::TearDown();
  }
  std::wstring PathOf(const std::wstring& relative) const {
    return FFolder.wstring() + L"\\" + relative;
  }

  fs::path FFolder;
};

TEST_F(ProcessWatchContract, LaunchedProcessIsFoundByItsImageWaitedForAndItsExitCodeRead) {
  ASSERT_TRUE(fs::exists(EmitterDouble())) << EmitterDouble();
  fs::copy_file(EmitterDouble(), FFolder / "divevezodoz.exe");
  std::ofstream(FFolder / "divevezodoz.live") << "";
  std::ofstream(FFolder / "divevezodoz.exitcode") << "7";
  const std::wstring path = PathOf(L"divevezodoz.exe");
  std::wstring upper = path;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);

  platform::ShellExecuteResult launched =
      platform::ShellExecuteEx(path, std::wstring(), std::wstring(), platform::shell::ShowHide);
  ASSERT_GT(launched.InstApp, platform::shell::LastErrorResult);
  ASSERT_TRUE(launched.Process);
  const std::uint32_t id = platform::ProcessId(launched.Process);
  EXPECT_NE(id, 0u);

  EXPECT_EQ(platform::WaitForProcessOrMessage(&launched.Process, 0),
            platform::WaitOutcome::Timeout);
  std::uint32_t code = 0;
  ASSERT_TRUE(platform::ProcessExitCode(launched.Process, code));
  EXPECT_EQ(code, 259u) << "STILL_ACTIVE while it runs";

  const auto found = platform::FindProcess(upper);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->ProcessId, id);
  EXPECT_TRUE(found->Process);
  EXPECT_TRUE(platform::SamePathIgnoreCase(found->Image, path))
      << std::string(found->Image.begin(), found->Image.end());
  EXPECT_FALSE(platform::FindProcess(PathOf(L"outro.exe")).has_value());

  fs::remove(FFolder / "divevezodoz.live");
  EXPECT_EQ(platform::WaitForProcessOrMessage(&launched.Process, 30000),
            platform::WaitOutcome::ProcessEnded);
  ASSERT_TRUE(platform::ProcessExitCode(launched.Process, code));
  EXPECT_EQ(code, 7u);
  EXPECT_FALSE(platform::FindProcess(path).has_value()) << "an ended process is not found";
}

TEST_F(ProcessWatchContract, WaitEndsOnAMessageQueuedBeforeOrDuringIt) {
  platform::ThreadMessage m;
  platform::PeekMessage(m, 0, 0, false);  // the queue exists from here on
  EXPECT_EQ(platform::WaitForProcessOrMessage(nullptr, 0), platform::WaitOutcome::Timeout);

  ASSERT_TRUE(platform::PostThreadMessage(platform::CurrentThreadId(), 0x401, 1, 0));
  EXPECT_EQ(platform::WaitForProcessOrMessage(nullptr, 0), platform::WaitOutcome::Message);
  // Looked at but not taken: it still ends the next wait.
  ASSERT_TRUE(platform::PeekMessage(m, 0, 0, false));
  EXPECT_EQ(platform::WaitForProcessOrMessage(nullptr, 0), platform::WaitOutcome::Message);
  ASSERT_TRUE(platform::PeekMessage(m, 0, 0, true));
  EXPECT_EQ(platform::WaitForProcessOrMessage(nullptr, 0), platform::WaitOutcome::Timeout);

  // Posted from another thread while this one waits without a limit.
  const std::uint32_t self = platform::CurrentThreadId();
  std::thread poster([self] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    platform::PostThreadMessage(self, 0x401, 4, 0);
  });
  EXPECT_EQ(platform::WaitForProcessOrMessage(nullptr, std::nullopt),
            platform::WaitOutcome::Message);
  poster.join();
  ASSERT_TRUE(platform::PeekMessage(m, 0, 0, true));
  EXPECT_EQ(m.WParam, 4u);

  const std::uint64_t before = platform::TickCount();
  EXPECT_EQ(platform::WaitForProcessOrMessage(nullptr, 100), platform::WaitOutcome::Timeout);
  EXPECT_GE(platform::TickCount() - before, 90u);
}

}  // namespace
