// A stand-in for the database service the starter depends on. The end-to-end
// tests register it as "postgresql-9.4" and start it themselves: it reports
// running and stays so until the service manager asks it to stop.
#ifdef _WIN32
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE statusHandle = nullptr;
HANDLE stopEvent = nullptr;

void Report(DWORD state, DWORD accepted) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = accepted;
  status.dwWin32ExitCode = NO_ERROR;
  status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 3000;
  SetServiceStatus(statusHandle, &status);
}

void WINAPI Handler(DWORD control) {
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
    Report(SERVICE_STOP_PENDING, 0);
    SetEvent(stopEvent);
  }
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  statusHandle = RegisterServiceCtrlHandlerW(L"postgresql-9.4", Handler);
  if (!statusHandle) return;
  stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN);
  WaitForSingleObject(stopEvent, INFINITE);
  CloseHandle(stopEvent);
  Report(SERVICE_STOPPED, 0);
}

}  // namespace

// Called by the start-up code that -municode links in, which declares it nowhere.
int wmain();
int wmain() {
  // The name is ignored for an own-process service; any name the test chose works.
  wchar_t name[] = L"postgresql-9.4";
  SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int>(GetLastError());
}
#else
// Services exist only on Windows; the native build keeps the target buildable.
int main() { return 0; }
#endif
