#include <windows.h>

// The seam's names are the API's names; windows.h maps them to the W calls.
#undef PostThreadMessage
#undef GetMessage
#undef PeekMessage
#undef DispatchMessage

#include "platform/Messages.h"

namespace platform {

namespace {
void Fill(ThreadMessage& m, const MSG& msg) {
  m.Window = reinterpret_cast<Handle>(msg.hwnd);
  m.Message = msg.message;
  m.WParam = msg.wParam;
  m.LParam = msg.lParam;
  m.Time = msg.time;
}
}  // namespace

bool PostThreadMessage(std::uint32_t threadId, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
  return ::PostThreadMessageW(threadId, message, wParam, lParam) != 0;
}

int GetMessage(ThreadMessage& m) {
  MSG msg{};
  const BOOL result = ::GetMessageW(&msg, nullptr, 0, 0);
  if (result != -1) Fill(m, msg);
  return result;
}

bool PeekMessage(ThreadMessage& m, std::uint32_t first, std::uint32_t last, bool remove) {
  MSG msg{};
  if (!::PeekMessageW(&msg, nullptr, first, last, remove ? PM_REMOVE : PM_NOREMOVE)) return false;
  Fill(m, msg);
  return true;
}

void DispatchMessage(const ThreadMessage& m) {
  MSG msg{};
  msg.hwnd = reinterpret_cast<HWND>(m.Window);
  msg.message = m.Message;
  msg.wParam = m.WParam;
  msg.lParam = m.LParam;
  msg.time = m.Time;
  ::DispatchMessageW(&msg);
}

void WaitForQueuedMessage() {
  // MWMO_INPUTAVAILABLE: input that an earlier peek has already seen counts too.
  ::MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

}  // namespace platform
