#include "app/ServicoVelmoraNFCe.h"

#include <chrono>
#include <new>
#include <thread>

#include "app/UVelmoraNFCeStarter.h"
#include "platform/Application.h"
#include "platform/Dialog.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "svc/ExitProcs.h"
#include "svc/ServiceApplication.h"
#include "svc/ServiceRuntime.h"
#include "util/Exceptions.h"
#include "util/LogArquivo.h"

namespace {
void WaitForLogWriters(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (LogWritersRunning() > 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void StartUpServiceHost() {
  ControlActionWords();  // loaded before the application exists
  ServiceApplication = new TServiceApplication(nullptr);
}

void ShutDownServiceHost() {
  delete ServiceApplication;
  ServiceApplication = nullptr;
  StarterInstance = nullptr;
}
}  // namespace

std::wstring LastResortText(const std::wstring& ClassName, const std::wstring& Module,
                            std::uintptr_t Address, const std::wstring& Message) {
  std::wstring text = L"Exception " + ClassName + L" in module " + Module + L" at " +
                      platform::Hex(Address, sizeof(std::uintptr_t) * 2) + L".\r\n" + Message;
  if (text.back() != L'.') text += L'.';
  return text + L"\r\n";
}

int HandleLastResort(std::exception_ptr Failure) {
  std::wstring className = L"Exception";
  std::wstring message;
  try {
    std::rethrow_exception(Failure);
  } catch (const Exception& E) {
    className = E.ClassName();
    message = E.Message();
  } catch (const std::bad_alloc&) {
    className = L"EOutOfMemory";
    message = L"Out of memory";
  } catch (const std::exception& E) {
    message = platform::Widen(E.what());
  } catch (...) {
    message = L"Unknown failure";
  }
  // C++ failures do not carry the address that raised them: the entry of the
  // program code that was running stands for it.
  const std::wstring text =
      LastResortText(className, platform::ExecutableFileName(),
                     reinterpret_cast<std::uintptr_t>(&ServicoVelmoraNFCeMain), message);
  if (platform::IsConsole())
    platform::WriteStdErr(text);
  else
    platform::ShowMessageBox(
        0, text, L"Application Error",
        platform::dialog::Ok | platform::dialog::IconError | platform::dialog::TaskModal);
  return 1;
}

void ServicoVelmoraNFCeMain(TServiceApplication& App) {
  App.CreateForm(StarterInstance);
  // Run initialises once the dispatcher's thread has started (before a
  // registration or removal): COM on the main thread is not on the launch's way.
  App.Run([&App] {
    // Installing is consulted only when initialisation may be delayed.
    if (!App.DelayInitialize() || App.Installing()) App.Initialize();
  });
}

int RunServicoVelmoraNFCe() {
  // The window comes later, once the dispatcher's thread runs (Run).
  platform::TApplication application(platform::TApplication::WindowTiming::Later);
  int exitCode = 0;
  try {
    StartUpServiceHost();
    ServicoVelmoraNFCeMain(*ServiceApplication);
    exitCode = ServiceApplication->ExitCode();
  } catch (...) {
    exitCode = HandleLastResort(std::current_exception());
  }
  // Program end, on every way out: the exit procedures, then the shut-down.
  try {
    RunExitProcs();
  } catch (...) {
    exitCode = HandleLastResort(std::current_exception());
  }
  ShutDownServiceHost();
  ReleaseLog();
  // The service stops right after its execute handler has logged, so its lines
  // may still be on their way to the file: ending the process now would lose
  // them. A writer gives up on its own after its attempts, so the wait is short.
  WaitForLogWriters(std::chrono::seconds(3));
  return exitCode;
}
