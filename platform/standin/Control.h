// Test controls that span the whole stand-in: one reset and one fault hook.
// What each concern records is read through its own header (ServiceControl.h,
// EventLog.h, Dialog.h, ...).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform::standin {

// Returns every concern to what a new process finds: no registration, start
// request, status record, event-log entry, window, queued message, dialog,
// console output or launch; the real clock, module path and command line; a
// windowed program; no fault armed; last error 0. Event sources still open
// stay usable, for the objects that hold them. Nothing of the stand-in may be
// in use meanwhile (no dispatcher running, no thread waiting on a queue).
void Reset();

// The next `count` calls of the named platform function (its Windows name,
// e.g. "SetServiceStatus") fail and leave errorCode as the last error. Every
// stand-in call that can fail on Windows consults this.
void FailNext(const std::string& function, std::uint32_t errorCode, int count = 1);

// The next call of the named function runs raise before anything else; a test
// throws from it to model a failure raised while the call is under way. If
// raise returns, the call goes on as usual.
void RaiseNext(const std::string& function, std::function<void()> raise);

}  // namespace platform::standin
