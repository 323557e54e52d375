// Who, besides the system's own accounts, can change the program that this
// service starts as LocalSystem: its folder and the emitter's file. A local
// user who can replace divevezodoz.exe (or the folder's content, or their
// permissions) can run code as SYSTEM at the next boot.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Security.h"

// The SIDs other than SYSTEM, Administrators and TrustedInstaller that the
// security descriptor lets write, append, delete, change permissions or take
// ownership (for a folder also delete its files), in the order they first
// appear. Entries are weighed in order, as the system's access check does, per
// account: what its own entries (and, for the owner, OWNER RIGHTS') grant,
// less what its own or Everyone's entries denied first. Membership of other
// groups is unknown here, so a deny to a group does not clear its members and
// a grant to a group is named as the group's. The owner may change
// permissions unless an OWNER RIGHTS entry says what it may do.
std::vector<std::wstring> AccountsThatCanChange(const platform::FileSecurity& Security,
                                                bool IsFolder);

// True when the SID's name comes from this computer alone: well-known and
// built-in accounts, and those of its own account domain. A network domain's
// account would have to be asked of a domain controller.
bool ResolvesLocally(const std::wstring& Sid, const std::optional<std::wstring>& LocalDomainSid);

struct TWriteAccess {
  // Names (or SIDs, when the name is not known here) of the accounts that can
  // change the folder or the file, each once.
  std::vector<std::wstring> Accounts;
  // One text per object whose permissions could not be read (a missing one
  // is not counted: there is nothing to replace then).
  std::vector<std::wstring> Unread;
};

// Reads and judges the folder (ending in its separator) and the file in it.
TWriteAccess CheckWriteAccess(const std::wstring& Folder, const std::wstring& FileName);

// The warning for a non-empty list of accounts: one line, the same in the log
// file, the event log and the /INSTALL result.
std::wstring WriteAccessWarning(const std::wstring& Folder, const std::wstring& FileName,
                                const std::vector<std::wstring>& Accounts);
