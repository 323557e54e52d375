// Test controls of the stand-in file security and account names. A file or
// folder keeps the descriptor a test gave it; one that has none answers the
// locked-down layout (owner Administrators; SYSTEM and Administrators full
// control, Users read and execute). A missing one fails as Windows does. A
// failing read is arranged under "GetNamedSecurityInfoW" (Control.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Security.h"

namespace platform::standin {

// The descriptor that ReadFileSecurity answers for path (its Windows form;
// case and a trailing separator do not matter).
void SetFileSecurity(const std::wstring& path, const FileSecurity& security);
FileSecurity LockedDownSecurity();

// Names the stand-in knows besides the well-known ones, and the computer's own
// account domain (S-1-5-21-1000-2000-3000 after a reset; nullopt: unknown).
void SetAccountName(const std::wstring& sid, const std::wstring& name);
void SetLocalAccountDomain(const std::optional<std::wstring>& sid);

// Every SID that AccountName was asked about since the reset.
std::vector<std::wstring> AccountLookups();

}  // namespace platform::standin
