// Who may do what to a file or folder: its owner and DACL, read as the system
// keeps them (GetNamedSecurityInfoW), and the names of accounts, looked up on
// this machine only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

namespace security {
// ACE header flags that decide where an entry applies.
constexpr std::uint8_t ObjectInherit = 0x01;     // OBJECT_INHERIT_ACE
constexpr std::uint8_t ContainerInherit = 0x02;  // CONTAINER_INHERIT_ACE
constexpr std::uint8_t InheritOnly = 0x08;       // INHERIT_ONLY_ACE: not for the object itself
constexpr std::uint8_t Inherited = 0x10;         // INHERITED_ACE

// Access-mask bits of files and folders (a folder's "write data" is "add file",
// its "append" is "add subfolder").
constexpr std::uint32_t ReadData = 0x00000001;
constexpr std::uint32_t WriteData = 0x00000002;
constexpr std::uint32_t AppendData = 0x00000004;
constexpr std::uint32_t Execute = 0x00000020;
constexpr std::uint32_t DeleteChild = 0x00000040;
constexpr std::uint32_t ReadAttributes = 0x00000080;
constexpr std::uint32_t WriteAttributes = 0x00000100;
constexpr std::uint32_t Delete = 0x00010000;
constexpr std::uint32_t ReadControl = 0x00020000;
constexpr std::uint32_t WriteDac = 0x00040000;
constexpr std::uint32_t WriteOwner = 0x00080000;
constexpr std::uint32_t Synchronize = 0x00100000;
constexpr std::uint32_t GenericAll = 0x10000000;
constexpr std::uint32_t GenericWrite = 0x40000000;
constexpr std::uint32_t FullControl = 0x001F01FF;  // FILE_ALL_ACCESS
constexpr std::uint32_t Modify = 0x001301BF;       // icacls (M)
constexpr std::uint32_t ReadExecute = 0x001200A9;  // icacls (RX)

// Well-known SIDs the judgement of write access names.
inline const wchar_t* const Everyone = L"S-1-1-0";
inline const wchar_t* const CreatorOwner = L"S-1-3-0";
inline const wchar_t* const CreatorGroup = L"S-1-3-1";
inline const wchar_t* const OwnerRights = L"S-1-3-4";
inline const wchar_t* const AuthenticatedUsers = L"S-1-5-11";
inline const wchar_t* const LocalSystem = L"S-1-5-18";
inline const wchar_t* const Administrators = L"S-1-5-32-544";
inline const wchar_t* const Users = L"S-1-5-32-545";
inline const wchar_t* const TrustedInstaller =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
}  // namespace security

// One access-control entry: allow or deny, its flags, its mask and its SID as
// text ("S-1-5-32-545"). Object and callback ACE kinds do not occur on files.
struct AccessEntry {
  bool Allow = true;
  std::uint8_t Flags = 0;
  std::uint32_t Mask = 0;
  std::wstring Sid;
};

struct FileSecurity {
  std::wstring OwnerSid;
  // False for a null DACL, which lets everyone do everything.
  bool HasDacl = true;
  std::vector<AccessEntry> Dacl;  // in the order the system checks them
};

// GetNamedSecurityInfoW(path, SE_FILE_OBJECT, owner and DACL). Nullopt on
// failure, with LastError() set to the system's code.
std::optional<FileSecurity> ReadFileSecurity(const std::wstring& path);

// The SID of this computer's own account domain (its local users and groups),
// asked of the local security authority; nullopt when it cannot say.
std::optional<std::wstring> LocalAccountDomainSid();

// LookupAccountSidW on this computer: "DOMAIN\name", or the bare name when the
// account has no domain (Everyone); nullopt when it does not resolve. For an
// account of a network domain this may ask a domain controller: callers keep
// such SIDs away from it.
std::optional<std::wstring> AccountName(const std::wstring& sid);

}  // namespace platform
