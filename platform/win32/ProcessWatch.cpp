#include <windows.h>
// tlhelp32.h needs the types of windows.h.
#include <tlhelp32.h>

#include "platform/Compare.h"
#include "platform/ProcessWatch.h"
#include "platform/win32/Win32Support.h"

namespace platform {

namespace {
HANDLE ToHandle(const ProcessHandle& process) { return reinterpret_cast<HANDLE>(process.Get()); }

struct SnapshotTraits {
  using Value = HANDLE;
  static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Value value) noexcept { ::CloseHandle(value); }
};
using UniqueSnapshot = UniqueHandle<SnapshotTraits>;

std::uint64_t FileTimeMs(const FILETIME& t) {
  return ((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000;
}

// How long the process has run: its creation time against the system time now.
std::uint64_t AgeOf(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  ::GetSystemTimeAsFileTime(&now);
  const std::uint64_t from = FileTimeMs(created), to = FileTimeMs(now);
  return to > from ? to - from : 0;
}

std::wstring ImageOf(HANDLE process) {
  // Long paths too: the buffer may hold the largest path the system allows.
  std::wstring image(32768, L'\0');
  DWORD size = static_cast<DWORD>(image.size());
  if (!::QueryFullProcessImageNameW(process, 0, &image[0], &size)) return std::wstring();
  image.resize(size);
  return image;
}
}  // namespace

bool CloseProcessHandle(Handle process) {
  return ::CloseHandle(reinterpret_cast<HANDLE>(process)) != FALSE;
}

std::optional<FoundProcess> FindProcess(const std::wstring& wanted) {
  const UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return std::nullopt;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  const DWORD self = ::GetCurrentProcessId();
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    if (entry.th32ProcessID == 0 || entry.th32ProcessID == self) continue;
    ProcessHandle process(reinterpret_cast<Handle>(::OpenProcess(
        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)));
    if (!process) continue;
    // The image is read through the handle: the id may have been reused since
    // the snapshot, the handle's process cannot change.
    std::wstring image = ImageOf(ToHandle(process));
    if (image.empty() || !SamePathIgnoreCase(image, wanted)) continue;
    if (::WaitForSingleObject(ToHandle(process), 0) != WAIT_TIMEOUT) continue;  // already ended
    FoundProcess found;
    found.ProcessId = entry.th32ProcessID;
    found.Image = std::move(image);
    found.AgeMs = AgeOf(ToHandle(process));
    found.Process = std::move(process);
    return found;
  }
  return std::nullopt;
}

WaitOutcome WaitForProcessOrMessage(const ProcessHandle* process,
                                    std::optional<std::uint32_t> timeoutMs) {
  HANDLE handles[1] = {nullptr};
  DWORD count = 0;
  if (process != nullptr && *process) handles[count++] = ToHandle(*process);
  // Posted messages only: the control requests are posted, and nothing else
  // that could wake the wait would be taken off the queue by the watcher.
  const DWORD result = ::MsgWaitForMultipleObjectsEx(count, count != 0 ? handles : nullptr,
                                                     timeoutMs ? *timeoutMs : INFINITE,
                                                     QS_ALLPOSTMESSAGE, MWMO_INPUTAVAILABLE);
  if (count != 0 && result == WAIT_OBJECT_0) return WaitOutcome::ProcessEnded;
  if (result == WAIT_OBJECT_0 + count) return WaitOutcome::Message;
  if (result == WAIT_TIMEOUT) return WaitOutcome::Timeout;
  return WaitOutcome::Failed;
}

bool ProcessExitCode(const ProcessHandle& process, std::uint32_t& code) {
  DWORD value = 0;
  if (!::GetExitCodeProcess(ToHandle(process), &value)) return false;
  code = value;
  return true;
}

std::uint32_t ProcessId(const ProcessHandle& process) { return ::GetProcessId(ToHandle(process)); }

std::uint64_t TickCount() { return ::GetTickCount64(); }

}  // namespace platform
