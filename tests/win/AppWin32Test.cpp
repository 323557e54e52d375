// The program's own Win32 layer under Wine: switches read from GetCommandLineW
// in child processes, the hidden window and its loop, registration with the
// real service manager, and the dispatcher started from a prompt.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Application.h"
#include "platform/Dialog.h"
#include "platform/Process.h"
#include "platform/ServiceManager.h"
#include "svc/Service.h"
#include "svc/ServiceApplication.h"
#include "svc/Switches.h"
#include "util/Exceptions.h"

namespace {

// A child started with this variable set reports, as its exit code, which
// switches HasSwitch sees on its command line, and runs no test.
constexpr wchar_t kSwitchProbe[] = L"VELMORA_SWITCH_PROBE";

const bool kProbeChild = [] {
  if (::GetEnvironmentVariableW(kSwitchProbe, nullptr, 0) == 0) return false;
  const UINT mask = (HasSwitch(L"INSTALL") ? 1u : 0u) | (HasSwitch(L"UNINSTALL") ? 2u : 0u) |
                    (HasSwitch(L"SILENT") ? 4u : 0u);
  ::ExitProcess(mask);
}();

DWORD RunProbe(const std::wstring& commandLine) {
  const std::wstring exe = platform::ModuleFileName();
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  ::SetEnvironmentVariableW(kSwitchProbe, L"1");
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  const BOOL started = ::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &si, &pi);
  ::SetEnvironmentVariableW(kSwitchProbe, nullptr);
  if (!started) return 0xFFFFFFFF;
  ::WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0xFFFFFFFF;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return code;
}

TEST(Win32Switches, ChildProcessesSeeTheirOwnCommandLine) {
  ASSERT_FALSE(kProbeChild);
  const struct {
    const wchar_t* Line;
    DWORD Mask;  // 1 install, 2 uninstall, 4 silent
  } cases[] = {
      {LR"("C:\Program Files\Velmora\ServicoVelmoraNFCe.exe" /install)", 1},
      {LR"(ServicoVelmoraNFCe.exe "/InStAlL")", 1},
      {LR"(ServicoVelmoraNFCe.exe -INSTALL /Silent)", 5},
      {LR"(ServicoVelmoraNFCe.exe /silent /uninstall)", 6},
      {LR"(ServicoVelmoraNFCe.exe install \install --install /install:1 /installer)", 0},
      {LR"(/install)", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RunProbe(c.Line), c.Mask) << std::string(c.Line, c.Line + wcslen(c.Line));
  }
}

class TPlainService : public TService {
public:
  explicit TPlainService(TComponent* AOwner) : TService(AOwner) {}
  std::wstring ClassName() const override { return L"TPlainService"; }
  platform::HandlerFunction GetServiceController() override { return nullptr; }
};

// Runs body on a thread of its own, which is that test's main thread: its
// queue starts empty and goes with it.
void OnOwnMainThread(const std::function<void()>& body) {
  std::thread thread(body);
  thread.join();
}

TEST(Win32Application, HiddenWindowLoopEndSessionAndQueuedCalls) {
  // Declared before the application: a hook still registered when it goes is
  // offered the window's last messages, and must find what it writes to alive.
  std::vector<std::uint32_t> seen;
  std::vector<std::wstring> failures;
  OnOwnMainThread([&] {
    platform::TApplication app;
    ASSERT_EQ(platform::Application, &app);
    ASSERT_NE(app.Window(), 0u);
    EXPECT_FALSE(::IsWindowVisible(reinterpret_cast<HWND>(app.Window())));
    TServiceApplication serviceApp(nullptr);

    app.HookMainWindow([&](platform::WindowMessage& m) {
      if (m.Msg == platform::wm::User + 1) throw Exception(L"handler failed");
      seen.push_back(m.Msg);
      return false;
    });
    app.SetOnException([&](std::exception_ptr failure) {
      try {
        std::rethrow_exception(failure);
      } catch (const Exception& E) {
        failures.push_back(E.Message());
      }
    });

    // Claimed: the end of the session does not end the loop.
    EXPECT_EQ(platform::SendWindowMessage(app.Window(), platform::wm::EndSession, 1, 0), 0);
    platform::PostWindowMessage(app.Window(), platform::wm::User + 1, 0, 0);
    platform::PostWindowMessage(app.Window(), platform::wm::User + 2, 0, 0);
    while (!app.Terminated() && (seen.empty() || seen.back() != platform::wm::User + 2))
      app.HandleMessage();
    EXPECT_FALSE(app.Terminated());
    EXPECT_EQ(failures, std::vector<std::wstring>{L"handler failed"});

    // A call queued by another thread while the loop waits runs on this thread;
    // it asks the loop to end.
    const DWORD mainThread = ::GetCurrentThreadId();
    std::atomic<DWORD> ranOn{0};
    std::thread other([&] {
      app.Queue([&] {
        ranOn = ::GetCurrentThreadId();
        app.Terminate();
      });
    });
    while (!app.Terminated()) app.HandleMessage();
    other.join();
    EXPECT_EQ(ranOn, mainThread);
    seen.clear();
  });
  // The window went with the application, while its hooks were still there.
  EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<std::uint32_t>(WM_NCDESTROY)),
            seen.end());
}

TEST(Win32Application, WithoutTheServiceApplicationEndSessionEndsTheLoop) {
  OnOwnMainThread([] {
    platform::TApplication app;
    ASSERT_NE(app.Window(), 0u);
    platform::SendWindowMessage(app.Window(), platform::wm::EndSession, 1, 0);
    platform::PostWindowMessage(app.Window(), platform::wm::User, 0, 0);
    for (int i = 0; i < 2 && !app.Terminated(); ++i) app.HandleMessage();
    EXPECT_TRUE(app.Terminated());
  });
}

// A service process started from a prompt: Wine's dispatcher fails with 1063
// (after some seconds); the start thread's quit reaches the real window.
TEST(Win32Application, DispatcherStartedFromAPromptEndsRunWith1063) {
  OnOwnMainThread([] {
    platform::TApplication app;
    TServiceApplication serviceApp(nullptr);
    ServiceApplication = &serviceApp;
    TPlainService* service = nullptr;
    serviceApp.CreateForm(service);
    service->SetName(L"VelmoraAppTestSvc");
    serviceApp.Run();  // this process's command line carries no switch
    EXPECT_TRUE(app.Terminated());
    EXPECT_EQ(serviceApp.ExitCode(), 1063);
    ServiceApplication = nullptr;
  });
}

std::wstring RegistryText(const std::wstring& service, const wchar_t* value, DWORD type) {
  const std::wstring key = L"System\\CurrentControlSet\\Services\\" + service;
  DWORD size = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value,
                     type == REG_MULTI_SZ ? RRF_RT_REG_MULTI_SZ : RRF_RT_REG_SZ, nullptr, nullptr,
                     &size) != ERROR_SUCCESS)
    return L"<none>";
  std::wstring data(size / sizeof(wchar_t), L'\0');
  ::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value,
                 type == REG_MULTI_SZ ? RRF_RT_REG_MULTI_SZ : RRF_RT_REG_SZ, nullptr, data.data(),
                 &size);
  data.resize(size / sizeof(wchar_t));
  return data;
}

TEST(Win32Installation, RegisterTwiceThenRemoveTwiceWithTheRealServiceManager) {
  ASSERT_TRUE(platform::IsConsole());  // results go to standard output, no box waits
  const std::wstring name = L"VelmoraAppTestSvc";
  auto run = [&](bool install) {
    TServiceApplication app(nullptr);
    ServiceApplication = &app;
    TPlainService* service = nullptr;
    app.CreateForm(service);
    service->SetName(name);
    service->SetDisplayName(L"Velmora App Test");
    service->SetStartType(stManual);
    TDependency* a = service->Dependencies()->Add();
    a->SetName(L"postgresql-9.4");
    TDependency* g = service->Dependencies()->Add();
    g->SetName(L"SomeGroup");
    g->SetIsGroup(true);
    app.SetupServices(install, true);
    ServiceApplication = nullptr;
    return app.ExitCode();
  };
  run(false);  // left over from an interrupted run: gone now either way

  EXPECT_EQ(run(true), 0);
  EXPECT_EQ(RegistryText(name, L"DependOnService", REG_MULTI_SZ),
            std::wstring(L"postgresql-9.4\0\0", 16));
  EXPECT_EQ(RegistryText(name, L"DependOnGroup", REG_MULTI_SZ), std::wstring(L"SomeGroup\0\0", 11));
  const std::wstring path = platform::ModuleFileName();
  EXPECT_EQ(RegistryText(name, L"ImagePath", REG_SZ).c_str(),
            path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"");
  EXPECT_EQ(run(true), 1073);
  EXPECT_EQ(run(false), 0);
  EXPECT_EQ(run(false), 1060);
}

}  // namespace
