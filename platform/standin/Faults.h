// Test control of the stand-in: make platform calls fail with a chosen error.
#pragma once

#include <cstdint>
#include <string>

namespace platform::standin {

// The next `count` calls of the named platform function (its Windows name, e.g.
// "SetServiceStatus") fail and leave `errorCode` as the last error.
void FailNext(const std::string& function, std::uint32_t errorCode, int count = 1);

// Forgets every fault not yet taken.
void ClearFaults();

// For the stand-in's own functions: true when this call is to fail; the error
// code is then in errorCode and already set as the last error.
bool TakeFault(const char* function, std::uint32_t& errorCode);

}  // namespace platform::standin
