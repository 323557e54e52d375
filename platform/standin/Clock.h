// Test controls of the stand-in clock.
#pragma once

#include <optional>

#include "platform/Clock.h"

namespace platform::standin {

// Freezes what LocalNow returns at the given moment, e.g. a minute before
// midnight; nullopt restores the real clock.
void SetLocalTime(std::optional<LocalTime> now);

}  // namespace platform::standin
