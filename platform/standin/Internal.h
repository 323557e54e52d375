// What the stand-in's own sources share; tests use Control.h instead.
#pragma once

#include <string>

namespace platform::standin {

// Every stand-in call that can fail on Windows asks this first, under the
// call's Windows name: true when the call is to fail, with the armed code set
// as the last error. An armed raise runs (and normally throws) from here.
bool Fails(const char* function);

// The one way the stand-in compares names (services, switches, start
// requests): case folded over ASCII and Latin-1.
std::wstring FoldName(const std::wstring& name);
bool SameName(const std::wstring& a, const std::wstring& b);

// Each concern's part of Reset().
namespace detail {
void ResetApplication();
void ResetClock();
void ResetCom();
void ResetDialogs();
void ResetEventLog();
void ResetLogFile();
void ResetMessages();
void ResetProcess();
void ResetServiceControl();
void ResetSecurity();
void ResetServiceRegistry();
void ResetShell();
}  // namespace detail

}  // namespace platform::standin
