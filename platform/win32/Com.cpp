#include "platform/Com.h"

#include <objbase.h>
#include <windows.h>

#include "platform/win32/SystemLibrary.h"

namespace platform {

// ole32 is loaded from System32 on first use; without it COM is simply not
// initialised, as when CoInitialize fails.
namespace {
using CoInitializeFn = HRESULT(WINAPI*)(LPVOID);
using CoUninitializeFn = void(WINAPI*)();
}  // namespace

void ComInitialize() {
  static const auto coInitialize =
      win32::SystemFunctionAs<CoInitializeFn>(L"ole32.dll", "CoInitialize");
  if (coInitialize != nullptr) (void)coInitialize(nullptr);
}

void ComUninitialize() {
  static const auto coUninitialize =
      win32::SystemFunctionAs<CoUninitializeFn>(L"ole32.dll", "CoUninitialize");
  if (coUninitialize != nullptr) coUninitialize();
}

}  // namespace platform
