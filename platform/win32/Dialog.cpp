#include "platform/Dialog.h"

#include <windows.h>

#include <climits>
#include <string>

namespace platform {

int ShowMessageBox(Handle owner, const std::wstring& text, const std::wstring& caption,
                   std::uint32_t flags) {
  return ::MessageBoxW(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
}

bool IsConsole() {
  // The image's own subsystem, as the linker wrote it.
  const auto* base = reinterpret_cast<const unsigned char*>(::GetModuleHandleW(nullptr));
  if (!base) return false;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

namespace {
void WriteTo(DWORD which, const std::wstring& text) {
  HANDLE out = ::GetStdHandle(which);
  if (out == nullptr || out == INVALID_HANDLE_VALUE || text.empty() ||
      text.size() > static_cast<std::size_t>(INT_MAX / 4))
    return;
  DWORD written = 0;
  DWORD mode = 0;
  if (::GetConsoleMode(out, &mode)) {
    ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  // Redirected: bytes in the console's output code page, as a console program writes them.
  UINT codePage = ::GetConsoleOutputCP();
  if (codePage == 0) codePage = CP_ACP;
  const int length = static_cast<int>(text.size());
  int size = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  size =
      ::WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
  if (size > 0) ::WriteFile(out, bytes.data(), static_cast<DWORD>(size), &written, nullptr);
}
}  // namespace

void WriteStdOut(const std::wstring& text) { WriteTo(STD_OUTPUT_HANDLE, text); }
void WriteStdErr(const std::wstring& text) { WriteTo(STD_ERROR_HANDLE, text); }

}  // namespace platform
