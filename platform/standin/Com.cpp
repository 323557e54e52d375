#include "platform/Com.h"

namespace platform {

// No COM here: nothing to set up for a thread.
void ComInitialize() {}
void ComUninitialize() {}

}  // namespace platform
