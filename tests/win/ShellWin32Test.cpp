// The module path and the shell launch on the real Win32 layer.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/Process.h"
#include "platform/Shell.h"
#include "tests/TestSupport.h"

namespace fs = std::filesystem;

using testsupport::Gate;
using testsupport::WaitUntil;

namespace {

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// VELMORA_SUPPORT_DIR is a host path; Wine shows the host's root as Z:.
std::wstring SupportDir() {
  const char* dir = std::getenv("VELMORA_SUPPORT_DIR");
  std::wstring out;
  if (!dir) return out;
  for (const char* c = dir; *c; ++c) out.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
  if (!out.empty() && out[0] == L'\\') out.insert(0, L"Z:");
  return out;
}

class ShellWin32 : public ::testing::Test {
protected:
  void SetUp() override {
    FFolder = fs::temp_directory_path() /
              ("velmora-shell-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
               std::to_string(::GetCurrentProcessId()));
    fs::create_directories(FFolder);
  }
  void TearDown() override {
    // A launched copy may still be on its way out.
    const fs::path& folder = FFolder;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::error_code failed;
      fs::remove_all(folder, failed);
      if (!failed) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  fs::path FFolder;
};

}  // namespace

TEST(ModuleFileNameWin32, IsTheFullPathOfTheRunningExecutable) {
  const std::wstring path = platform::ModuleFileName();
  std::wstring expected(32768, L'\0');
  expected.resize(::GetModuleFileNameW(nullptr, &expected[0], static_cast<DWORD>(expected.size())));
  EXPECT_EQ(path, expected);
  ASSERT_GT(path.size(), 3u);
  EXPECT_EQ(path.substr(1, 2), L":\\");
  EXPECT_EQ(path.substr(path.rfind(L'\\') + 1), L"velmora_win_tests.exe");
}

// Run only as the child of the test below: records what the child sees.
TEST(ModuleFileNameWin32, ChildWritesItsModulePath) {
  const char* out = std::getenv("VELMORA_MODULE_PATH_OUT");
  if (!out) GTEST_SKIP() << "only run as a child";
  std::ofstream(out, std::ios::binary) << fs::path(platform::ModuleFileName()).u8string();
}

TEST_F(ShellWin32, ModuleFileNameIsNotCutInALongFolder) {
  // The longest path a process can be started from (MAX_PATH less the NUL):
  // beyond 255 characters, where a fixed 256-character buffer would cut it.
  const std::wstring base = FFolder.wstring() + L"\\";
  const std::wstring name = L"velmora_win_tests.exe";
  const std::size_t fill = 259 - base.size() - name.size() - 2;  // two separators inside
  ASSERT_GT(fill, 20u);
  const std::wstring folder =
      base + std::wstring(fill / 2, L'a') + L"\\" + std::wstring(fill - fill / 2, L'b');
  const std::wstring exe = folder + L"\\" + name;
  ASSERT_EQ(exe.size(), 259u);
  fs::create_directories(fs::path(folder));
  ASSERT_TRUE(::CopyFileW(platform::ModuleFileName().c_str(), exe.c_str(), FALSE))
      << ::GetLastError();

  const fs::path out = FFolder / "module-path.txt";
  ASSERT_TRUE(::SetEnvironmentVariableW(L"VELMORA_MODULE_PATH_OUT", out.wstring().c_str()));
  std::wstring line =
      L"\"" + exe + L"\" --gtest_filter=ModuleFileNameWin32.ChildWritesItsModulePath";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
  const DWORD error = ::GetLastError();
  ::SetEnvironmentVariableW(L"VELMORA_MODULE_PATH_OUT", nullptr);
  ASSERT_TRUE(started) << error;
  ::CloseHandle(process.hThread);
  EXPECT_EQ(::WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  ::CloseHandle(process.hProcess);

  EXPECT_EQ(fs::u8path(ReadAll(out)).wstring(), exe);
}

TEST_F(ShellWin32, LaunchesAProgramHiddenWithoutWaiting) {
  const std::wstring support = SupportDir();
  ASSERT_FALSE(support.empty()) << "VELMORA_SUPPORT_DIR is not set";
  const fs::path emitter = FFolder / "divevezodoz.exe";
  ASSERT_TRUE(
      ::CopyFileW((support + L"\\divevezodoz.exe").c_str(), emitter.wstring().c_str(), FALSE))
      << ::GetLastError();
  // While the hold file exists the emitter keeps running: the call must return anyway.
  std::ofstream(FFolder / "divevezodoz.hold").put('x');

  const std::intptr_t result =
      platform::ShellExecute(0, std::nullopt, emitter.wstring(), std::wstring(), std::wstring(),
                             platform::shell::ShowHide);
  EXPECT_GT(result, 32);
  EXPECT_TRUE(WaitUntil([&] { return !ReadAll(FFolder / "divevezodoz.started").empty(); }));
  fs::remove(FFolder / "divevezodoz.hold");
}

TEST_F(ShellWin32, MissingFileIsTheShellsErrorCode) {
  for (const fs::path& missing :
       {FFolder / "divevezodoz.exe", FFolder / "no-such-folder" / "divevezodoz.exe"}) {
    SCOPED_TRACE(missing.string());
    const std::intptr_t result =
        platform::ShellExecute(0, std::nullopt, missing.wstring(), std::wstring(), std::wstring(),
                               platform::shell::ShowHide);
    EXPECT_GE(result, 0);
    EXPECT_LE(result, 32);
  }
  EXPECT_FALSE(fs::exists(FFolder / "divevezodoz.started"));
}
