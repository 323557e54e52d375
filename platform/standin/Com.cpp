// No apartments here: the calls are only recorded, with their thread, so that
// tests can see where and when COM is set up.
#include "platform/Com.h"

#include <mutex>

#include "platform/Process.h"
#include "platform/standin/Com.h"
#include "platform/standin/Internal.h"

namespace platform {

namespace {
std::mutex gMutex;
std::vector<standin::ComCall> gCalls;

void Record(bool initialize) {
  std::lock_guard<std::mutex> lock(gMutex);
  gCalls.push_back(standin::ComCall{CurrentThreadId(), initialize});
}
}  // namespace

void ComInitialize() {
  // Its result is not read by anyone, but a raise armed on it runs.
  (void)standin::Fails("CoInitialize");
  Record(true);
}

void ComUninitialize() { Record(false); }

std::vector<standin::ComCall> standin::ComCalls() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gCalls;
}

std::vector<standin::ComCall> standin::ComCallsOf(std::uint32_t thread) {
  std::vector<ComCall> calls;
  for (const auto& call : ComCalls())
    if (call.Thread == thread) calls.push_back(call);
  return calls;
}

void standin::detail::ResetCom() {
  std::lock_guard<std::mutex> lock(gMutex);
  gCalls.clear();
}

}  // namespace platform
