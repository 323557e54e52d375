// Test control of the stand-in COM: which thread initialised and uninitialised
// it, in order.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::standin {

struct ComCall {
  std::uint32_t Thread = 0;
  bool Initialize = false;  // CoInitialize; else CoUninitialize
};

// Every ComInitialize and ComUninitialize since the reset, in call order.
std::vector<ComCall> ComCalls();
// Those of one thread only.
std::vector<ComCall> ComCallsOf(std::uint32_t thread);

}  // namespace platform::standin
