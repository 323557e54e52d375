// COM initialisation of the calling thread.
#pragma once

namespace platform {

// CoInitialize(nullptr): a single-threaded apartment. The result is not needed
// by any caller; every call is paired with ComUninitialize.
void ComInitialize();
void ComUninitialize();

}  // namespace platform
