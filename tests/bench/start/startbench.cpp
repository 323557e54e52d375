// The Windows half of scripts/bench-start.sh, run inside the benchmark's warm
// Wine session:
//   startbench.exe register NAME IMAGE_PATH
//       a demand-start own-process service; the path is quoted for the manager.
//   startbench.exe run N time|footprint NAME FOLDER EXE [NAME FOLDER EXE]...
//       N rounds; each round starts every service once, in turn, the order
//       reversed every other round so that a drift of the machine weighs on
//       all alike. A start counts as done once the service is STOPPED, its
//       process and the emitter's are gone. One line per start:
//         time NAME ROUND MICROSECONDS     start request to the emitter's stamp
//         footprint NAME ROUND PEAK_WORKING_SET_BYTES MAX_HANDLES STOPPED_TO_EXIT_US
//       The footprint pass samples the process every millisecond, so it is kept
//       apart from the timed one. Peak and handles are the last and the most
//       seen while the process lived.
#include <windows.h>
// psapi.h and tlhelp32.h need the types of windows.h.
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kLimitMs = 60000;

struct Target {
  std::wstring Name, Folder, Exe;
  SC_HANDLE Service = nullptr;
};

[[noreturn]] void Fail(const char* what, DWORD code) {
  std::fprintf(stderr, "startbench: %s failed with %lu\n", what, static_cast<unsigned long>(code));
  std::exit(2);
}

ULONGLONG PreciseNow() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// Hundreds of nanoseconds to whole microseconds, signed.
long long Micros(ULONGLONG from, ULONGLONG to) {
  return (static_cast<long long>(to) - static_cast<long long>(from)) / 10;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

SERVICE_STATUS_PROCESS Query(SC_HANDLE service) {
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                            sizeof status, &needed))
    Fail("QueryServiceStatusEx", GetLastError());
  return status;
}

bool WaitStopped(SC_HANDLE service) {
  for (DWORD waited = 0; waited < kLimitMs; waited += 2) {
    if (Query(service).dwCurrentState == SERVICE_STOPPED) return true;
    Sleep(2);
  }
  return false;
}

bool ProcessNamed(const std::wstring& exe) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) Fail("CreateToolhelp32Snapshot", GetLastError());
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
       more = Process32NextW(snapshot, &entry))
    found = lstrcmpiW(entry.szExeFile, exe.c_str()) == 0;
  CloseHandle(snapshot);
  return found;
}

// Used when the process was gone before it could be opened.
bool WaitNoProcessNamed(const std::wstring& exe) {
  for (DWORD waited = 0; waited < kLimitMs; waited += 5) {
    if (!ProcessNamed(exe)) return true;
    Sleep(5);
  }
  return false;
}

// The emitter's stamp, once its file is there; false after the time limit.
bool ReadStamp(const std::wstring& file, ULONGLONG& stamp, DWORD& pid) {
  for (DWORD waited = 0; waited < kLimitMs; waited += 2) {
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      char text[64] = {};
      DWORD read = 0;
      ReadFile(h, text, sizeof text - 1, &read, nullptr);
      CloseHandle(h);
      unsigned long long value = 0;
      unsigned long id = 0;
      if (std::sscanf(text, "%llu %lu", &value, &id) == 2) {
        stamp = value;
        pid = id;
        return true;
      }
    }
    Sleep(2);
  }
  return false;
}

// GetProcessHandleCount, or, where it answers 0 for a live process (Wine's
// stub), the process's entries in the system's handle table.
DWORD HandleCount(HANDLE process, DWORD pid) {
  DWORD count = 0;
  if (GetProcessHandleCount(process, &count) && count != 0) return count;
  static std::vector<BYTE> buffer(1 << 20);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status = NtQuerySystemInformation(SystemHandleInformation, buffer.data(),
                                                     static_cast<ULONG>(buffer.size()), &needed);
    if (status == static_cast<NTSTATUS>(0xC0000004L)) {  // STATUS_INFO_LENGTH_MISMATCH
      buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
      continue;
    }
    if (status < 0) return 0;
    break;
  }
  const auto* table = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
  for (ULONG i = 0; i < table->Count; ++i)
    if (table->Handle[i].OwnerPid == pid) ++count;
  return count;
}

struct ExitWatch {
  HANDLE Process;
  ULONGLONG ExitedAt = 0;
};

DWORD WINAPI WatchExit(void* context) {
  auto* watch = static_cast<ExitWatch*>(context);
  WaitForSingleObject(watch->Process, INFINITE);
  watch->ExitedAt = PreciseNow();
  return 0;
}

void StartOnce(Target& target, int round, bool footprint) {
  const std::wstring stampFile = target.Folder + L"\\divevezodoz.stamp";
  DeleteFileW(stampFile.c_str());
  if (Query(target.Service).dwCurrentState != SERVICE_STOPPED) Fail("a stopped service", 0);

  const ULONGLONG requested = PreciseNow();
  if (!StartServiceW(target.Service, 0, nullptr)) Fail("StartServiceW", GetLastError());
  const DWORD pid = Query(target.Service).dwProcessId;
  HANDLE process =
      pid != 0 ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid)
               : nullptr;

  SIZE_T peak = 0;
  DWORD maxHandles = 0;
  long long stoppedToExit = -1;
  if (process != nullptr && footprint) {
    ExitWatch watch{process};
    HANDLE watcher = CreateThread(nullptr, 0, WatchExit, &watch, 0, nullptr);
    if (watcher == nullptr) Fail("CreateThread", GetLastError());
    ULONGLONG stoppedAt = 0;
    while (WaitForSingleObject(watcher, 1) == WAIT_TIMEOUT) {
      PROCESS_MEMORY_COUNTERS counters = {};
      counters.cb = sizeof counters;
      if (GetProcessMemoryInfo(process, &counters, sizeof counters))
        peak = std::max(peak, counters.PeakWorkingSetSize);
      maxHandles = std::max(maxHandles, HandleCount(process, pid));
      if (stoppedAt == 0 && Query(target.Service).dwCurrentState == SERVICE_STOPPED)
        stoppedAt = PreciseNow();
    }
    CloseHandle(watcher);
    if (stoppedAt != 0) stoppedToExit = std::max(0LL, Micros(stoppedAt, watch.ExitedAt));
  } else if (process != nullptr) {
    if (WaitForSingleObject(process, kLimitMs) != WAIT_OBJECT_0) Fail("the service's exit", 0);
  } else if (!WaitNoProcessNamed(target.Exe)) {
    Fail("the service's exit", 0);
  }
  if (process != nullptr) CloseHandle(process);
  if (!WaitStopped(target.Service)) Fail("the STOPPED state", 0);

  ULONGLONG stamp = 0;
  DWORD emitterPid = 0;
  if (!ReadStamp(stampFile, stamp, emitterPid)) Fail("the emitter's stamp", 0);
  // The emitter ends on its own right after its stamp; the next start waits for it.
  if (HANDLE emitter = OpenProcess(SYNCHRONIZE, FALSE, emitterPid)) {
    WaitForSingleObject(emitter, kLimitMs);
    CloseHandle(emitter);
  }

  const std::string name = Narrow(target.Name);
  if (footprint)
    std::printf("footprint %s %d %llu %lu %lld\n", name.c_str(), round,
                static_cast<unsigned long long>(peak), static_cast<unsigned long>(maxHandles),
                stoppedToExit);
  else
    std::printf("time %s %d %lld\n", name.c_str(), round, Micros(requested, stamp));
  std::fflush(stdout);
}

int Register(const std::wstring& name, const std::wstring& image) {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) Fail("OpenSCManagerW", GetLastError());
  const std::wstring quoted = L"\"" + image + L"\"";
  SC_HANDLE service =
      CreateServiceW(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                     SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                     quoted.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!service) Fail("CreateServiceW", GetLastError());
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return 0;
}

int Run(int argc, wchar_t** argv) {
  const int rounds = _wtoi(argv[2]);
  const bool footprint = lstrcmpW(argv[3], L"footprint") == 0;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) Fail("OpenSCManagerW", GetLastError());
  std::vector<Target> targets;
  for (int i = 4; i + 2 < argc; i += 3) {
    Target target{argv[i], argv[i + 1], argv[i + 2]};
    target.Service = OpenServiceW(manager, argv[i], SERVICE_START | SERVICE_QUERY_STATUS);
    if (!target.Service) Fail("OpenServiceW", GetLastError());
    targets.push_back(target);
  }
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t i = 0; i < targets.size(); ++i)
      StartOnce(targets[round % 2 == 0 ? i : targets.size() - 1 - i], round, footprint);
  }
  for (Target& target : targets) CloseServiceHandle(target.Service);
  CloseServiceHandle(manager);
  return 0;
}

}  // namespace

// Called by the start-up code that -municode links in, which declares it nowhere.
int wmain(int argc, wchar_t** argv);
int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && lstrcmpW(argv[1], L"register") == 0) return Register(argv[2], argv[3]);
  if (argc >= 7 && (argc - 4) % 3 == 0 && lstrcmpW(argv[1], L"run") == 0) return Run(argc, argv);
  std::fprintf(stderr,
               "usage: startbench.exe register NAME IMAGE_PATH\n"
               "       startbench.exe run N time|footprint NAME FOLDER EXE [NAME FOLDER EXE]...\n");
  return 2;
}
