// The service application's run: the mode chosen from the command line, the
// dispatcher's start thread, the main loop of a service process, the exit
// procedure and the failures that only the event log can report.
#include <algorithm>
#include <exception>

#include "platform/Application.h"
#include "platform/Compare.h"
#include "platform/Process.h"
#include "svc/EventLogger.h"
#include "svc/Service.h"
#include "svc/ServiceApplication.h"
#include "svc/ServiceRuntime.h"
#include "util/Exceptions.h"

// --- switches -----------------------------------------------------------------

std::vector<std::wstring> SplitCommandLine(const std::wstring& Line) {
  std::vector<std::wstring> arguments;
  const std::size_t n = Line.size();
  std::size_t p = 0;
  // A zero character ends the line, as it ends the platform's string.
  auto at = [&](std::size_t i) -> wchar_t { return i < n ? Line[i] : L'\0'; };
  auto separator = [](wchar_t c) { return c != L'\0' && static_cast<std::uint32_t>(c) <= 32; };
  for (;;) {
    for (;;) {
      while (separator(at(p))) ++p;
      if (at(p) == L'"' && at(p + 1) == L'"')
        p += 2;
      else
        break;
    }
    std::wstring argument;
    while (at(p) != L'\0' && !separator(at(p))) {
      if (at(p) == L'"') {
        ++p;
        while (at(p) != L'\0' && at(p) != L'"') argument.push_back(at(p++));
        if (at(p) != L'\0') ++p;
      } else {
        argument.push_back(at(p++));
      }
    }
    if (argument.empty()) return arguments;
    arguments.push_back(std::move(argument));
  }
}

bool CommandLineHasSwitch(const std::wstring& Line, const std::wstring& Switch) {
  const std::vector<std::wstring> arguments = SplitCommandLine(Line);
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    if (argument[0] != L'-' && argument[0] != L'/') continue;
    if (platform::SameTextIgnoreCase(argument.substr(1), Switch)) return true;
  }
  return false;
}

bool HasSwitch(const std::wstring& Switch) {
  return CommandLineHasSwitch(platform::CommandLine(), Switch);
}

bool TServiceApplication::Installing() const {
  return HasSwitch(L"INSTALL") || HasSwitch(L"UNINSTALL");
}

// --- windowed application ---------------------------------------------------------

bool TServiceApplication::ClaimEndSession(platform::WindowMessage& Message) {
  return Message.Msg == platform::wm::EndSession;
}

void TServiceApplication::HookWindowedApplication() {
  if (!platform::Application || FEndSessionHook != 0) return;
  FEndSessionHook = platform::Application->HookMainWindow(
      [this](platform::WindowMessage& Message) { return ClaimEndSession(Message); });
}

void TServiceApplication::UnhookWindowedApplication() {
  if (!platform::Application) return;
  platform::Application->SetOnException(nullptr);
  if (FEndSessionHook != 0) platform::Application->UnhookMainWindow(FEndSessionHook);
  FEndSessionHook = 0;
}

void TServiceApplication::LogException(const Exception& E) {
  FEventLogger->LogMessage(E.Message(), platform::eventlog::Error, platform::eventlog::NoCategory,
                           platform::eventlog::NoEventId);
}

// --- start thread ------------------------------------------------------------------

TServiceStartThread::TServiceStartThread(TServiceTableEntryArray Services)
    : FServiceStartTable(std::move(Services)),
      FWindow(platform::Application ? platform::Application->Window() : 0) {
  std::wstring error;
  FThread = platform::Thread::Create(
      [this] {
        Execute();
        DoTerminate();
      },
      false, error);
  if (!FThread) throw EThread(L"Thread creation error: " + error);
}

TServiceStartThread::~TServiceStartThread() { FThread.reset(); }

bool TServiceStartThread::Finished() const { return FThread->Finished(); }

void TServiceStartThread::Execute() {
  const bool ok = platform::StartServiceCtrlDispatcher(FServiceStartTable->data());
  // The error is read before anything else can overwrite it.
  FReturnValue = ok ? 0 : static_cast<std::int32_t>(platform::LastError());
}

void TServiceStartThread::DoTerminate() {
  // The only signal to the main thread: its loop ends on this message.
  platform::PostWindowMessage(FWindow, platform::wm::Quit, 0, 0);
}

// --- exit procedures ----------------------------------------------------------------

namespace {
std::vector<void (*)()>& ExitProcs() {
  static std::vector<void (*)()> procs;
  return procs;
}
}  // namespace

void AddExitProc(void (*Proc)()) {
  auto& procs = ExitProcs();
  if (std::find(procs.begin(), procs.end(), Proc) == procs.end()) procs.push_back(Proc);
}

void RunExitProcs() {
  auto& procs = ExitProcs();
  while (!procs.empty()) {
    void (*proc)() = procs.back();
    procs.pop_back();
    proc();
  }
}

void CleanUpAtExit() {
  if (platform::TApplication* app = platform::Application) {
    if (app->Window() != 0) platform::ShowOwnedPopups(app->Window(), false);
    app->SetShowHint(false);
    app->SetDestroying();
    app->DestroyComponents();
  }
  if (ServiceApplication) {
    ServiceApplication->SetDestroying();
    ServiceApplication->DestroyComponents();
  }
}

// --- run -----------------------------------------------------------------------------

void TServiceApplication::Run() {
  AddExitProc(&CleanUpAtExit);
  if (HasSwitch(L"INSTALL")) {
    SetupServices(true, HasSwitch(L"SILENT"));
    return;
  }
  if (HasSwitch(L"UNINSTALL")) {
    SetupServices(false, HasSwitch(L"SILENT"));
    return;
  }

  platform::TApplication* app = platform::Application;
  if (!app) throw Exception(L"The windowed application does not exist");
  app->SetOnException([this](std::exception_ptr Failure) {
    try {
      std::rethrow_exception(Failure);
    } catch (const Exception& E) {
      LogException(E);
    }
  });

  const int count = ServiceCount();
  auto table = std::make_shared<std::vector<platform::ServiceTableEntry>>(
      static_cast<std::size_t>(count) + 1, platform::ServiceTableEntry{nullptr, nullptr});
  for (int i = 0; i < count; ++i) {
    // The service's own name, borrowed for the dispatcher's whole run.
    (*table)[static_cast<std::size_t>(i)].ServiceName =
        const_cast<wchar_t*>(Services(i)->Name().c_str());
    (*table)[static_cast<std::size_t>(i)].ServiceProc = &ServiceMainCallback;
  }

  // Freed on every way out, which waits for the dispatcher to return.
  auto startThread = std::make_unique<TServiceStartThread>(table);
  while (!app->Terminated()) {
    try {
      app->HandleMessage();
    } catch (const Exception& E) {
      LogException(E);
    }
  }
  app->Terminate();
  const std::int32_t code = startThread->ReturnValue();
  if (code != 0) {
    FEventLogger->LogMessage(SystemErrorText(static_cast<std::uint32_t>(code)),
                             platform::eventlog::Error, platform::eventlog::NoCategory,
                             platform::eventlog::NoEventId);
    SetExitCode(code);
  }
}
