// The running process: its executable, its command line, its threads.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Full path of the running executable (GetModuleFileNameW of the program's own
// module), whatever its length.
std::wstring ModuleFileName();

// The command line as the process received it (GetCommandLineW).
std::wstring CommandLine();

// Id of the calling thread (GetCurrentThreadId).
std::uint32_t CurrentThreadId();

}  // namespace platform
