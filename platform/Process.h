// The running process: its executable, its command line, its threads.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Full path of the running executable (GetModuleFileNameW of the program's own
// module), whatever its length.
std::wstring ModuleFileName();

// The executable's file name, folder dropped, extension kept: the name of its
// event source and of its last-resort box.
std::wstring ExecutableFileName();

// The command line as the process received it (GetCommandLineW).
std::wstring CommandLine();

// Id of the calling thread (GetCurrentThreadId).
std::uint32_t CurrentThreadId();

// First thing in the process: DLLs are loaded from System32 only, never from
// the executable's folder or the current one. Nothing to do in the stand-in.
void RestrictDllSearch();

}  // namespace platform
