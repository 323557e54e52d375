// Util.Funcoes: values shared by the maker's programs.
#pragma once

#include <string>

// Tag printed as the second field of every log line; empty unless a program sets it.
extern std::wstring vTagLog;
