// Test controls of the stand-in shell. A refused or failing launch is arranged
// through the common fault hook (Control.h) under "ShellExecuteW": the shell
// then answers with its code for the armed error.
#pragma once

#include <cstdint>
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

// Every ShellExecute call since the reset, oldest first.
std::vector<ShellLaunch> ShellLaunches();

}  // namespace platform::standin
