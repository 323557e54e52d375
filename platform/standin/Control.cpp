#include "platform/standin/Control.h"

#include <atomic>
#include <map>
#include <mutex>

#include "platform/Platform.h"
#include "platform/standin/Internal.h"

namespace platform::standin {

namespace {
struct Fault {
  std::uint32_t Code = 0;
  int Remaining = 0;
  std::function<void()> Raise;
};

std::mutex gMutex;
std::map<std::string, Fault> gFaults;
// Most calls run with nothing armed: they need not take the lock.
std::atomic<bool> gArmed{false};

void Arm(const std::string& function, Fault fault) {
  std::lock_guard<std::mutex> lock(gMutex);
  gFaults[function] = std::move(fault);
  gArmed = true;
}

// Case folding of ASCII and Latin-1, enough for service names and switches.
wchar_t Fold(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 32);
  return c;
}
}  // namespace

void FailNext(const std::string& function, std::uint32_t errorCode, int count) {
  Arm(function, Fault{errorCode, count, nullptr});
}

void RaiseNext(const std::string& function, std::function<void()> raise) {
  Arm(function, Fault{0, 1, std::move(raise)});
}

bool Fails(const char* function) {
  if (!gArmed) return false;
  Fault taken;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gFaults.find(function);
    if (it == gFaults.end() || it->second.Remaining <= 0) return false;
    taken = it->second;
    if (--it->second.Remaining == 0) gFaults.erase(it);
    gArmed = !gFaults.empty();
  }
  // Outside the lock: the raise is the test's code and may call the stand-in.
  // One that returns lets the call go on.
  if (taken.Raise) {
    taken.Raise();
    return false;
  }
  SetLastError(taken.Code);
  return true;
}

std::wstring FoldName(const std::wstring& name) {
  std::wstring folded = name;
  for (wchar_t& c : folded) c = Fold(c);
  return folded;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

void Reset() {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gFaults.clear();
    gArmed = false;
  }
  detail::ResetServiceControl();
  detail::ResetServiceRegistry();
  detail::ResetEventLog();
  detail::ResetLogFile();
  detail::ResetMessages();
  detail::ResetApplication();
  detail::ResetDialogs();
  detail::ResetShell();
  detail::ResetClock();
  detail::ResetCom();
  detail::ResetProcess();
  detail::ResetSecurity();
  detail::ResetProcessWatch();
  SetLastError(error::Success);
}

}  // namespace platform::standin
