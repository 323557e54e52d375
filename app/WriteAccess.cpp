#include "app/WriteAccess.h"

#include <algorithm>
#include <cstdint>

#include "platform/Platform.h"
#include "util/Exceptions.h"

namespace sec = platform::security;

namespace {

// What the system's access check grants for a generic right on a file.
std::uint32_t MapGeneric(std::uint32_t mask) {
  constexpr std::uint32_t kFileGenericWrite = 0x00120116;
  if (mask & sec::GenericAll) mask |= sec::FullControl;
  if (mask & sec::GenericWrite) mask |= kFileGenericWrite;
  return mask;
}

std::uint32_t ChangeRights(bool IsFolder) {
  std::uint32_t rights =
      sec::WriteData | sec::AppendData | sec::Delete | sec::WriteDac | sec::WriteOwner;
  // Whoever may delete a folder's files may delete the emitter and put another there.
  if (IsFolder) rights |= sec::DeleteChild;
  return rights;
}

bool IsTrusted(const std::wstring& Sid) {
  return Sid == sec::LocalSystem || Sid == sec::Administrators || Sid == sec::TrustedInstaller;
}

// CREATOR OWNER and CREATOR GROUP only mean something when inherited; in an
// effective entry they stand for nobody.
bool IsPlaceholder(const std::wstring& Sid) {
  return Sid == sec::CreatorOwner || Sid == sec::CreatorGroup;
}

bool AppliesToObject(const platform::AccessEntry& Ace) {
  return (Ace.Flags & sec::InheritOnly) == 0;
}

// The rights one account's own entries leave it, walking the entries in
// order as the access check does: a right granted stays granted, a right
// denied first stays denied.
std::uint32_t Granted(const platform::FileSecurity& Security, const std::wstring& Sid) {
  const bool isOwner = Sid == Security.OwnerSid;
  bool ownerRightsListed = false;
  for (const platform::AccessEntry& ace : Security.Dacl)
    if (AppliesToObject(ace) && ace.Sid == sec::OwnerRights) ownerRightsListed = true;
  std::uint32_t granted = 0, denied = 0;
  if (isOwner && !ownerRightsListed) granted = sec::ReadControl | sec::WriteDac;
  for (const platform::AccessEntry& ace : Security.Dacl) {
    if (!AppliesToObject(ace)) continue;
    const bool own = ace.Sid == Sid || (isOwner && ace.Sid == sec::OwnerRights);
    const std::uint32_t mask = MapGeneric(ace.Mask);
    if (own && ace.Allow) granted |= mask & ~denied;
    // Everyone's denials hold for every account too; its grants are named as
    // Everyone's, not repeated under each account.
    if ((own || ace.Sid == sec::Everyone) && !ace.Allow) denied |= mask & ~granted;
  }
  return granted;
}

void AddOnce(std::vector<std::wstring>& list, const std::wstring& item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The folder as an object name: without its final separator, but a drive's
// root keeps it ("C:\\").
std::wstring FolderObject(std::wstring Folder) {
  if (Folder.size() > 1 && (Folder.back() == L'\\' || Folder.back() == L'/') &&
      Folder[Folder.size() - 2] != L':')
    Folder.pop_back();
  return Folder;
}

}  // namespace

std::vector<std::wstring> AccountsThatCanChange(const platform::FileSecurity& Security,
                                                bool IsFolder) {
  std::vector<std::wstring> accounts;
  if (!Security.HasDacl) {
    // A null DACL: nothing is checked, everyone may do everything.
    accounts.push_back(sec::Everyone);
    if (!Security.OwnerSid.empty() && !IsTrusted(Security.OwnerSid))
      AddOnce(accounts, Security.OwnerSid);
    return accounts;
  }
  // Every account that some entry could give a right to: the entries' own
  // SIDs, and the owner (implicitly, or through OWNER RIGHTS).
  std::vector<std::wstring> candidates;
  for (const platform::AccessEntry& ace : Security.Dacl) {
    if (!ace.Allow || !AppliesToObject(ace) || IsPlaceholder(ace.Sid)) continue;
    AddOnce(candidates, ace.Sid == sec::OwnerRights ? Security.OwnerSid : ace.Sid);
  }
  if (!Security.OwnerSid.empty()) AddOnce(candidates, Security.OwnerSid);
  for (const std::wstring& sid : candidates) {
    if (sid.empty() || IsTrusted(sid)) continue;
    if (Granted(Security, sid) & ChangeRights(IsFolder)) accounts.push_back(sid);
  }
  return accounts;
}

bool ResolvesLocally(const std::wstring& Sid, const std::optional<std::wstring>& LocalDomainSid) {
  // Accounts of a domain (local or network) are S-1-5-21-a-b-c-rid; everything
  // else is well known or built in, and named by the system from its own tables.
  if (!StartsWith(Sid, L"S-1-5-21-")) return true;
  return LocalDomainSid && StartsWith(Sid, *LocalDomainSid + L"-");
}

TWriteAccess CheckWriteAccess(const std::wstring& Folder, const std::wstring& FileName) {
  TWriteAccess result;
  std::vector<std::wstring> sids;
  const struct {
    std::wstring Path;
    bool IsFolder;
  } objects[] = {{FolderObject(Folder), true}, {Folder + FileName, false}};
  for (const auto& object : objects) {
    const std::optional<platform::FileSecurity> security = platform::ReadFileSecurity(object.Path);
    if (!security) {
      const std::uint32_t code = platform::LastError();
      // Nothing there, nothing to replace: a missing emitter is the launch's matter.
      if (code == platform::error::FileNotFound || code == platform::error::PathNotFound) continue;
      result.Unread.push_back(object.Path + L": " + SystemErrorText(code) + L" (" +
                              std::to_wstring(code) + L")");
      continue;
    }
    for (const std::wstring& sid : AccountsThatCanChange(*security, object.IsFolder))
      AddOnce(sids, sid);
  }
  if (sids.empty()) return result;
  // Names only from this computer: a domain controller's answer is not worth a
  // wait at boot, and the SID is enough to find the account.
  const std::optional<std::wstring> localDomain = platform::LocalAccountDomainSid();
  for (const std::wstring& sid : sids) {
    std::optional<std::wstring> name;
    if (ResolvesLocally(sid, localDomain)) name = platform::AccountName(sid);
    AddOnce(result.Accounts, name && !name->empty() ? *name : sid);
  }
  return result;
}

std::wstring WriteAccessWarning(const std::wstring& Folder, const std::wstring& FileName,
                                const std::vector<std::wstring>& Accounts) {
  std::wstring names;
  for (const std::wstring& account : Accounts) names += (names.empty() ? L"" : L", ") + account;
  return L"Permissões inseguras: estas contas podem alterar a pasta " + Folder + L" ou o " +
         FileName + L", que este serviço executa como SYSTEM: " + names +
         L". Só SYSTEM, Administradores e TrustedInstaller deveriam poder; veja \"SEGURANÇA DA "
         L"PASTA\" no LEIA-ME.txt.";
}
