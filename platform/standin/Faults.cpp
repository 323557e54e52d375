#include "platform/standin/Faults.h"

#include <map>
#include <mutex>

#include "platform/Platform.h"

namespace platform::standin {

namespace {
struct Fault {
  std::uint32_t Code = 0;
  int Remaining = 0;
};
std::mutex gMutex;
std::map<std::string, Fault> gFaults;
}  // namespace

void FailNext(const std::string& function, std::uint32_t errorCode, int count) {
  std::lock_guard<std::mutex> lock(gMutex);
  gFaults[function] = Fault{errorCode, count};
}

void ClearFaults() {
  std::lock_guard<std::mutex> lock(gMutex);
  gFaults.clear();
}

bool TakeFault(const char* function, std::uint32_t& errorCode) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gFaults.find(function);
    if (it == gFaults.end() || it->second.Remaining <= 0) return false;
    errorCode = it->second.Code;
    if (--it->second.Remaining == 0) gFaults.erase(it);
  }
  platform::SetLastError(errorCode);
  return true;
}

}  // namespace platform::standin
