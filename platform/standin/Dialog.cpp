#include "platform/standin/Dialog.h"

#include <mutex>

#include "platform/Dialog.h"
#include "platform/standin/Internal.h"

namespace platform {

namespace {
std::mutex gMutex;
std::vector<standin::ShownDialog> gShown;
bool gConsole = false;
std::wstring gStdOut;
std::wstring gStdErr;
}  // namespace

int ShowMessageBox(Handle owner, const std::wstring& text, const std::wstring& caption,
                   std::uint32_t flags) {
  if (standin::Fails("MessageBoxW")) return 0;
  std::lock_guard<std::mutex> lock(gMutex);
  gShown.push_back({owner, text, caption, flags});
  return 1;  // IDOK
}

bool IsConsole() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gConsole;
}

void WriteStdOut(const std::wstring& text) {
  std::lock_guard<std::mutex> lock(gMutex);
  gStdOut += text;
}

void WriteStdErr(const std::wstring& text) {
  std::lock_guard<std::mutex> lock(gMutex);
  gStdErr += text;
}

void standin::detail::ResetDialogs() {
  std::lock_guard<std::mutex> lock(gMutex);
  gShown.clear();
  gConsole = false;
  gStdOut.clear();
  gStdErr.clear();
}

std::vector<standin::ShownDialog> standin::ShownDialogs() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gShown;
}

void standin::SetConsole(bool console) {
  std::lock_guard<std::mutex> lock(gMutex);
  gConsole = console;
}

std::wstring standin::StdOutText() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gStdOut;
}

std::wstring standin::StdErrText() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gStdErr;
}

}  // namespace platform
