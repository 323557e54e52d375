// What the stand-in's own sources share; tests use Control.h instead.
#pragma once

#include <cstdint>
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

namespace detail {
// Wakes every WaitForProcessOrMessage to look again: called after a post, the
// end of a process or a move of the tick clock.
void NotifyWaiters();
// A host program the shell has started, entered in the process table; returns
// a process handle to it. LaunchedEnded records its end.
std::uintptr_t TrackLaunched(std::uint32_t pid, const std::wstring& image);
void LaunchedEnded(std::uint32_t pid, std::uint32_t exitCode);

// Each concern's part of Reset().
void ResetApplication();
void ResetClock();
void ResetCom();
void ResetDialogs();
void ResetEventLog();
void ResetLogFile();
void ResetMessages();
void ResetProcess();
void ResetProcessWatch();
void ResetServiceControl();
void ResetSecurity();
void ResetServiceRegistry();
void ResetShell();
}  // namespace detail

}  // namespace platform::standin
