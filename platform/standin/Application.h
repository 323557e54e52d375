// Test controls of the stand-in windows and message queues.
#pragma once

#include "platform/Platform.h"

namespace platform::standin {

// How often ShowOwnedPopups(window, FALSE) was called for a window.
int HiddenPopupCalls(Handle window);
// Messages waiting in the queue of the thread that owns the window.
int QueuedWindowMessages(Handle window);

}  // namespace platform::standin
