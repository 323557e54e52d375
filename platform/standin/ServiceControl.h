// Test control of the stand-in service manager's running side: start requests
// for the dispatcher, control codes for running services, the status records.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ServiceManager.h"

namespace platform::standin {

// Queues a start request; the dispatcher runs it on a new service-main thread
// with argv = the service name, then the arguments. Without one arranged,
// StartServiceCtrlDispatcher fails at once with 1063, as from a prompt.
void ArrangeStart(const std::wstring& serviceName, const std::vector<std::wstring>& arguments = {});

// Hands a control code to the service's registered handler, on the dispatcher
// thread, and returns once the handler has returned. False, as the manager
// refuses it, when the dispatcher is not running, no handler is registered
// under the name, the service reported itself stopped, or its last report does
// not accept a stop, pause or continue.
bool SendControl(const std::wstring& serviceName, std::uint32_t code);

// Every status record the service sent, in order (names compare case-blind).
std::vector<ServiceStatus> StatusRecords(const std::wstring& serviceName);
// Waits until the service has sent at least `count` records.
bool WaitForStatusRecords(const std::wstring& serviceName, std::size_t count,
                          std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Successful RegisterServiceCtrlHandlerW calls since the reset.
int HandlerRegistrations();

// The dispatcher returns once no start request is left and every service-main
// thread it started has returned.
bool DispatcherReturned();
bool WaitForDispatcherReturn(std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace platform::standin
