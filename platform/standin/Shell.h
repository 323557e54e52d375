// Test controls of the stand-in shell.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::standin {

// One call of ShellExecute, as the stand-in saw it.
struct ShellLaunch {
  std::optional<std::wstring> Verb;
  std::wstring File;
  std::optional<std::wstring> Parameters;
  std::optional<std::wstring> Directory;
  std::int32_t ShowCommand = 0;
  std::intptr_t Result = 0;
};

// The next ShellExecute returns value without starting anything (a shell that
// refuses, e.g. 0 for out of memory); later calls launch for real again.
void SetNextShellResult(std::intptr_t value);

// The next ShellExecute runs fault before anything else; a test throws from it
// to model a failure raised while the launch is under way.
void SetNextShellFault(std::function<void()> fault);

// Every ShellExecute call since the last clear, oldest first.
std::vector<ShellLaunch> ShellLaunches();
void ClearShellLaunches();

}  // namespace platform::standin
