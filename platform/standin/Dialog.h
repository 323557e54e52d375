// Test controls of the stand-in dialogs: shown boxes are recorded and closed at
// once as if the user pressed OK; console output is recorded too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform::standin {

struct ShownDialog {
  Handle Owner = 0;
  std::wstring Text;
  std::wstring Caption;
  std::uint32_t Flags = 0;
};

std::vector<ShownDialog> ShownDialogs();
// Pretends the executable is a console program (or not).
void SetConsole(bool console);
std::wstring StdOutText();
std::wstring StdErrText();

}  // namespace platform::standin
