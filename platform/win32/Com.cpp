#include "platform/Com.h"

#include <objbase.h>
#include <windows.h>

namespace platform {

void ComInitialize() { (void)::CoInitialize(nullptr); }

void ComUninitialize() { ::CoUninitialize(); }

}  // namespace platform
