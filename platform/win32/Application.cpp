#include "platform/Application.h"

#include <windows.h>

#include <memory>

namespace platform {

namespace {
constexpr wchar_t kClassName[] = L"TVelmoraHiddenWindow";

struct Binding {
  window::Procedure Procedure;
  void* Context;
};

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* binding = reinterpret_cast<Binding*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (binding && binding->Procedure) {
    WindowMessage m{msg, static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam),
                    0};
    if (binding->Procedure(binding->Context, m)) return static_cast<LRESULT>(m.Result);
  }
  return ::DefWindowProcW(window, msg, wParam, lParam);
}
}  // namespace

WindowHandle window::CreateHidden(Procedure procedure, void* context) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = HiddenWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  if (!::RegisterClassW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return {};
  // The window takes the binding over once it exists; Destroy frees it.
  auto binding = std::make_unique<Binding>(Binding{procedure, context});
  // Top-level, so the system's session broadcasts reach it; never shown.
  HWND window = ::CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, binding.get());
  // Without a display driver (a headless desktop) only a message-only window can
  // be made: the loop, the quit message and the hooks still work through it.
  if (!window)
    window = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                               binding.get());
  if (!window) return {};
  binding.release();
  return WindowHandle(reinterpret_cast<Handle>(window));
}

void window::Destroy(Handle handle) {
  HWND window = reinterpret_cast<HWND>(handle);
  auto* binding = reinterpret_cast<Binding*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  ::DestroyWindow(window);
  delete binding;
}

bool window::Peek(QueuedMessage& message) {
  MSG msg;
  if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  message.Window = reinterpret_cast<Handle>(msg.hwnd);
  message.Msg = msg.message;
  message.WParam = static_cast<std::uintptr_t>(msg.wParam);
  message.LParam = static_cast<std::intptr_t>(msg.lParam);
  return true;
}

void window::Dispatch(const QueuedMessage& message) {
  MSG msg{};
  msg.hwnd = reinterpret_cast<HWND>(message.Window);
  msg.message = message.Msg;
  msg.wParam = static_cast<WPARAM>(message.WParam);
  msg.lParam = static_cast<LPARAM>(message.LParam);
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

void window::Wait() { ::WaitMessage(); }

void window::PostQuit() { ::PostQuitMessage(0); }

void window::MakeQueue() {
  MSG msg;
  // A range no message of the system uses: the call takes nothing out.
  ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

bool window::PostToThread(std::uint32_t thread, std::uint32_t msg, std::uintptr_t wParam,
                          std::intptr_t lParam) {
  return ::PostThreadMessageW(thread, msg, static_cast<WPARAM>(wParam),
                              static_cast<LPARAM>(lParam)) != FALSE;
}

bool PostWindowMessage(Handle window, std::uint32_t msg, std::uintptr_t wParam,
                       std::intptr_t lParam) {
  return ::PostMessageW(reinterpret_cast<HWND>(window), msg, static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam)) != FALSE;
}

std::intptr_t SendWindowMessage(Handle window, std::uint32_t msg, std::uintptr_t wParam,
                                std::intptr_t lParam) {
  return static_cast<std::intptr_t>(::SendMessageW(reinterpret_cast<HWND>(window), msg,
                                                   static_cast<WPARAM>(wParam),
                                                   static_cast<LPARAM>(lParam)));
}

bool ShowOwnedPopups(Handle window, bool show) {
  return ::ShowOwnedPopups(reinterpret_cast<HWND>(window), show ? TRUE : FALSE) != FALSE;
}

}  // namespace platform
