#include <windows.h>
#include <objbase.h>

#include "platform/Com.h"

namespace platform {

void ComInitialize() { (void)::CoInitialize(nullptr); }

void ComUninitialize() { ::CoUninitialize(); }

}  // namespace platform
