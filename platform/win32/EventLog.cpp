#include <windows.h>

// The seam's names are the API's names; windows.h maps them to the W calls.
#undef RegisterEventSource
#undef ReportEvent

#include "platform/EventLog.h"
#include "platform/win32/Win32Support.h"

namespace platform {

EventSourceHandle RegisterEventSource(const std::wstring& sourceName) {
  return EventSourceHandle(
      reinterpret_cast<Handle>(::RegisterEventSourceW(nullptr, sourceName.c_str())));
}

bool ReportEvent(const EventSourceHandle& source, std::uint16_t type, std::uint16_t category,
                 std::uint32_t id, const wchar_t* text) {
  const wchar_t* strings[1] = {text};
  return ::ReportEventW(reinterpret_cast<HANDLE>(source.Get()), type, category, id, nullptr, 1, 0,
                        strings, nullptr) != 0;
}

namespace {
const std::wstring kApplicationLog =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

// The registry calls return their error instead of setting the last error.
bool Succeeded(LSTATUS status) {
  if (status == ERROR_SUCCESS) return true;
  ::SetLastError(static_cast<DWORD>(status));
  return false;
}
}  // namespace

bool WriteEventSourceKey(const std::wstring& source, const std::wstring& messageFile,
                         std::uint32_t typesSupported) {
  HKEY raw = nullptr;
  if (!Succeeded(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kApplicationLog + source).c_str(), 0,
                                   nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &raw,
                                   nullptr)))
    return false;
  const win32::UniqueRegistryKey key(raw);
  const DWORD types = typesSupported;
  return Succeeded(
             ::RegSetValueExW(key.Get(), L"EventMessageFile", 0, REG_EXPAND_SZ,
                              reinterpret_cast<const BYTE*>(messageFile.c_str()),
                              static_cast<DWORD>((messageFile.size() + 1) * sizeof(wchar_t)))) &&
         Succeeded(::RegSetValueExW(key.Get(), L"TypesSupported", 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&types), sizeof(types)));
}

bool RemoveEventSourceKey(const std::wstring& source) {
  // With whatever was put under it: RegDeleteKeyW refuses a key that has subkeys.
  const LSTATUS status = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kApplicationLog + source).c_str());
  return status == ERROR_FILE_NOT_FOUND || Succeeded(status);
}

bool DeregisterEventSource(Handle source) {
  return ::DeregisterEventSource(reinterpret_cast<HANDLE>(source)) != 0;
}

}  // namespace platform
