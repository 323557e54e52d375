// Test controls of the stand-in windows and message queues.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace platform::standin {

// How often ShowOwnedPopups(window, FALSE) was called for a window.
int HiddenPopupCalls(Handle window);
// Messages waiting in the queue of the thread that owns the window.
int QueuedWindowMessages(Handle window);
// Messages for no window (thread messages) waiting in a thread's queue.
int QueuedThreadMessages(std::uint32_t thread);
// Whether the thread has a message queue (its first peek or window made it).
bool HasMessageQueue(std::uint32_t thread);

}  // namespace platform::standin
