#include "svc/Switches.h"

#include <cstdint>

#include "platform/Compare.h"
#include "platform/Process.h"

std::vector<std::wstring> SplitCommandLine(const std::wstring& Line) {
  std::vector<std::wstring> arguments;
  const std::size_t n = Line.size();
  std::size_t p = 0;
  // A zero character ends the line, as it ends the platform's string.
  auto at = [&](std::size_t i) -> wchar_t { return i < n ? Line[i] : L'\0'; };
  auto separator = [](wchar_t c) { return c != L'\0' && static_cast<std::uint32_t>(c) <= 32; };
  for (;;) {
    for (;;) {
      while (separator(at(p))) ++p;
      if (at(p) == L'"' && at(p + 1) == L'"')
        p += 2;
      else
        break;
    }
    std::wstring argument;
    while (at(p) != L'\0' && !separator(at(p))) {
      if (at(p) == L'"') {
        ++p;
        while (at(p) != L'\0' && at(p) != L'"') argument.push_back(at(p++));
        if (at(p) != L'\0') ++p;
      } else {
        argument.push_back(at(p++));
      }
    }
    if (argument.empty()) return arguments;
    arguments.push_back(std::move(argument));
  }
}

bool CommandLineHasSwitch(const std::wstring& Line, const std::wstring& Switch) {
  const std::vector<std::wstring> arguments = SplitCommandLine(Line);
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    if (argument[0] != L'-' && argument[0] != L'/') continue;
    if (platform::SameTextIgnoreCase(argument.substr(1), Switch)) return true;
  }
  return false;
}

bool HasSwitch(const std::wstring& Switch) {
  return CommandLineHasSwitch(platform::CommandLine(), Switch);
}
