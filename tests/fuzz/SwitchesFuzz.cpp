// Fuzz target: the command-line split and the switch test, over any UTF-16 line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Compare.h"
#include "svc/Switches.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size);

namespace {
void Check(bool Condition) {
  if (!Condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  // The bytes as the UTF-16 code units of a command line, as GetCommandLineW gives it.
  std::wstring line;
  for (std::size_t i = 0; i + 1 < Size; i += 2)
    line.push_back(static_cast<wchar_t>(Data[i] | (Data[i + 1] << 8)));

  const std::vector<std::wstring> arguments = SplitCommandLine(line);
  for (const std::wstring& argument : arguments) {
    // Quotes only group; a zero ends the line; the list ends at an empty argument.
    Check(!argument.empty());
    Check(argument.find(L'"') == std::wstring::npos);
    Check(argument.find(L'\0') == std::wstring::npos);
  }

  // Quoting every argument and splitting again gives the same list back.
  std::wstring quoted;
  for (const std::wstring& argument : arguments) quoted += L"\"" + argument + L"\" ";
  Check(SplitCommandLine(quoted) == arguments);

  // A switch is found exactly when some argument after the program is that
  // switch behind '-' or '/', compared as the platform compares names.
  for (const wchar_t* name : {L"INSTALL", L"UNINSTALL", L"SILENT"}) {
    bool expected = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
      const std::wstring& a = arguments[i];
      if (a[0] != L'-' && a[0] != L'/') continue;
      if (platform::SameTextIgnoreCase(a.substr(1), name)) expected = true;
    }
    Check(CommandLineHasSwitch(line, name) == expected);
  }
  return 0;
}
