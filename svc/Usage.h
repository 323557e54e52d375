// What a person who started the program by hand is told: it is a service that
// the service manager starts, and the command lines that register or remove it.
#pragma once

#include <string>
#include <vector>

// The usage text, Portuguese, lines ended by CR LF. ExeName is the executable's
// file name as the commands should be typed; Arguments is what followed it on
// the command line (none for a bare start, a double click), named in the text.
std::wstring UsageText(const std::wstring& ExeName, const std::vector<std::wstring>& Arguments);

// A console program writes the text and a line end to standard error; a
// windowed one shows it in a modal box like the error result dialog.
void ShowUsage(const std::wstring& Text);
