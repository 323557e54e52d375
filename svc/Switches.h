// The command-line switches of the program: "INSTALL", "UNINSTALL", "SILENT",
// each introduced by '-' or '/', case ignored.
#pragma once

#include <string>
#include <vector>

// True when the process's command line carries Switch.
bool HasSwitch(const std::wstring& Switch);
// HasSwitch over a given command line.
bool CommandLineHasSwitch(const std::wstring& Line, const std::wstring& Switch);
// The arguments of a command line, program first: separated by runs of codes 1
// to 32, quoted stretches kept whole without their quotes, lone "" skipped; the
// list ends at the first empty argument.
std::vector<std::wstring> SplitCommandLine(const std::wstring& Line);
