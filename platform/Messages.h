// Thread message queues: how control requests reach a service thread.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace platform {

namespace msg {
constexpr std::uint32_t Quit = 0x0012;  // WM_QUIT
constexpr std::uint32_t User = 0x0400;  // WM_USER
}  // namespace msg

// Same fields as MSG, less the cursor position nobody here reads.
struct ThreadMessage {
  Handle Window = 0;
  std::uint32_t Message = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::uint32_t Time = 0;
};

// PostThreadMessageW: false with LastError() when the thread has no queue.
bool PostThreadMessage(std::uint32_t threadId, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam);

// GetMessageW(&m, no window, all messages): blocks until a message arrives;
// 0 for the quit message, -1 on failure, otherwise positive.
int GetMessage(ThreadMessage& m);

// PeekMessageW(&m, no window, first, last, PM_REMOVE or PM_NOREMOVE); first and
// last 0 take every message. The calling thread's queue exists afterwards.
bool PeekMessage(ThreadMessage& m, std::uint32_t first, std::uint32_t last, bool remove);

// DispatchMessageW.
void DispatchMessage(const ThreadMessage& m);

// Blocks until the calling thread's queue holds a message, one that is already
// there and has been looked at included (MsgWaitForMultipleObjectsEx with
// MWMO_INPUTAVAILABLE): a post made before the wait began is never missed.
void WaitForQueuedMessage();

}  // namespace platform
