// The floor of the start benchmark: the least a service can do to launch the
// emitter, written as a plain Win32 service would be. It registers its handler,
// reports start pending and running, launches divevezodoz.exe from its own
// folder hidden, and reports stopped. shell32 is imported as usual.
#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

namespace {

// The name scripts/bench-start.sh registers it under.
wchar_t serviceName[] = L"VelmoraStartFloor";
SERVICE_STATUS_HANDLE statusHandle = nullptr;

void Report(DWORD state, DWORD specificExitCode) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  status.dwWin32ExitCode = specificExitCode != 0 ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR;
  status.dwServiceSpecificExitCode = specificExitCode;
  status.dwWaitHint = state == SERVICE_START_PENDING ? 3000 : 0;
  SetServiceStatus(statusHandle, &status);
}

void WINAPI Handler(DWORD) {}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  statusHandle = RegisterServiceCtrlHandlerW(serviceName, Handler);
  if (!statusHandle) return;
  Report(SERVICE_START_PENDING, 0);
  Report(SERVICE_RUNNING, 0);
  wchar_t path[MAX_PATH + 32];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  while (length > 0 && path[length - 1] != L'\\') --length;
  lstrcpyW(path + length, L"divevezodoz.exe");
  const INT_PTR result =
      reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, path, nullptr, nullptr, SW_HIDE));
  Report(SERVICE_STOPPED, result <= 32 ? static_cast<DWORD>(result) : 0);
}

}  // namespace

// Called by the start-up code that -municode links in, which declares it nowhere.
int wmain();
int wmain() {
  SERVICE_TABLE_ENTRYW table[] = {{serviceName, ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int>(GetLastError());
}
