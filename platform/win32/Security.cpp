#include <windows.h>
// After windows.h: these need its types.
#include <aclapi.h>
#include <ntsecapi.h>
#include <sddl.h>

#include "platform/Security.h"
#include "platform/win32/Win32Support.h"

namespace platform {

namespace {

std::optional<std::wstring> SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (sid == nullptr || !::ConvertSidToStringSidW(sid, &text)) return std::nullopt;
  const win32::UniqueLocal owner(text);
  return std::wstring(text);
}

struct LsaPolicyTraits {
  using Value = LSA_HANDLE;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value value) noexcept { ::LsaClose(value); }
};

struct LsaMemoryTraits {
  using Value = PVOID;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value value) noexcept { ::LsaFreeMemory(value); }
};

}  // namespace

std::optional<FileSecurity> ReadFileSecurity(const std::wstring& path) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD rc = ::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                           &owner, nullptr, &dacl, nullptr, &descriptor);
  if (rc != ERROR_SUCCESS) {
    ::SetLastError(rc);
    return std::nullopt;
  }
  const win32::UniqueLocal descriptorOwner(descriptor);
  FileSecurity result;
  result.OwnerSid = SidText(owner).value_or(std::wstring());
  result.HasDacl = dacl != nullptr;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(dacl, i, &ace)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    // Allowed and denied entries, and their callback kinds, share one layout.
    // A conditional deny cannot be judged here: leaving it out may only add a warning.
    bool allow;
    switch (header->AceType) {
      case ACCESS_ALLOWED_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
        allow = true;
        break;
      case ACCESS_DENIED_ACE_TYPE:
        allow = false;
        break;
      default:
        continue;
    }
    const auto* entry = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    std::optional<std::wstring> sid =
        SidText(const_cast<DWORD*>(&entry->SidStart));  // the SID follows the mask in place
    if (!sid) continue;
    result.Dacl.push_back(AccessEntry{allow, header->AceFlags, entry->Mask, std::move(*sid)});
  }
  return result;
}

std::optional<std::wstring> LocalAccountDomainSid() {
  LSA_OBJECT_ATTRIBUTES attributes{};
  LSA_HANDLE policy = nullptr;
  if (::LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy) != 0)
    return std::nullopt;
  const UniqueHandle<LsaPolicyTraits> policyOwner(policy);
  PVOID info = nullptr;
  if (::LsaQueryInformationPolicy(policy, PolicyAccountDomainInformation, &info) != 0)
    return std::nullopt;
  const UniqueHandle<LsaMemoryTraits> infoOwner(info);
  return SidText(static_cast<POLICY_ACCOUNT_DOMAIN_INFO*>(info)->DomainSid);
}

std::optional<std::wstring> AccountName(const std::wstring& sid) {
  PSID binary = nullptr;
  if (!::ConvertStringSidToSidW(sid.c_str(), &binary)) return std::nullopt;
  const win32::UniqueLocal binaryOwner(binary);
  wchar_t name[256], domain[256];
  DWORD nameSize = 256, domainSize = 256;
  SID_NAME_USE use;
  if (!::LookupAccountSidW(nullptr, binary, name, &nameSize, domain, &domainSize, &use))
    return std::nullopt;
  std::wstring text = name;
  if (domain[0] != L'\0') text = std::wstring(domain) + L"\\" + text;
  return text;
}

}  // namespace platform
