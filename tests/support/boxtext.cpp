// Prints the message box on screen: its title on the first line, then its text
// (UTF-8, line ends as LF). Wine's own trace of a box's text is cut at about
// 300 characters, so a test that wants the whole text reads it from the box.
// Exits 1 when there is no message box.   boxtext.exe
#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The static control that holds a message box's text, on Windows and in Wine.
constexpr int kMessageTextId = 0xFFFF;

std::string Utf8(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text)
    if (c != L'\r') {
      char bytes[8];
      const int n = WideCharToMultiByte(CP_UTF8, 0, &c, 1, bytes, sizeof bytes, nullptr, nullptr);
      out.append(bytes, n > 0 ? static_cast<size_t>(n) : 0);
    }
  return out;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

HWND gBox = nullptr;

BOOL CALLBACK FindBox(HWND window, LPARAM) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  // Not IsWindowVisible: Wine answers FALSE for another process's box on screen.
  if (std::wstring(name) == L"#32770" && GetDlgItem(window, kMessageTextId) != nullptr) {
    gBox = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

// Called by the start-up code that -municode links in, which declares it nowhere.
int wmain();
int wmain() {
  EnumWindows(FindBox, 0);
  if (gBox == nullptr) return 1;
  const std::string out =
      Utf8(WindowText(gBox)) + "\n" + Utf8(WindowText(GetDlgItem(gBox, kMessageTextId))) + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
#else
// Message boxes are a Windows thing; nothing to read natively.
int main() { return 0; }
#endif
