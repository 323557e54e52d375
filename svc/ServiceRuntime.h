// The run-time of a service as the service manager sees it: the entry that the
// dispatcher calls, the words of the status record and the process-wide
// check-point of the status reports.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "svc/Service.h"

// Thread message that carries a control code to the service thread (WM_USER + 1).
constexpr std::uint32_t ServiceControlMessage = 0x401;

// The service-main entry of every service table entry: routes the start to the
// service named by argv[0] in ServiceApplication and returns once it stopped.
void VELMORA_WINAPI ServiceMainCallback(std::uint32_t argc, wchar_t** argv);

// dwServiceType of the service (also what installation registers).
std::uint32_t ServiceTypeFlags(const TService& Service);
// dwControlsAccepted outside start pending.
std::uint32_t AcceptedControls(const TService& Service);

// The failed action's word in event-log texts, for control codes 1 to 5 at
// index 0 to 4: "stop", "pause", "continue", "interrogate", "shutdown".
const std::array<std::wstring, 5>& ControlActionWords();

// The state and check-point of the last status report of any service in the
// process; csStartPending and 0 before the first.
TCurrentStatus LastReportedStatus();
std::uint32_t StatusCheckPoint();
// Back to the values of a new process (tests run many services in one).
void ResetStatusCheckPoint();
