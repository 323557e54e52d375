// File security kept per path by the tests, over the locked-down layout a
// folder of an administrator's making has; account names from a small table.
#include "platform/standin/Security.h"

#include <sys/stat.h>

#include <map>
#include <mutex>

#include "platform/Platform.h"
#include "platform/standin/Internal.h"
#include "platform/standin/Paths.h"

namespace platform {

namespace {

constexpr std::uint32_t kNoneMapped = 1332;  // ERROR_NONE_MAPPED
const wchar_t* const kDefaultDomain = L"S-1-5-21-1000-2000-3000";

std::mutex gMutex;
std::map<std::wstring, FileSecurity> gDescriptors;
std::map<std::wstring, std::wstring> gNames;
std::optional<std::wstring> gDomain = std::wstring(kDefaultDomain);
std::vector<std::wstring> gLookups;

std::wstring Key(std::wstring path) {
  while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return standin::FoldName(path);
}

const std::map<std::wstring, std::wstring>& WellKnownNames() {
  static const std::map<std::wstring, std::wstring> names{
      {security::Everyone, L"Everyone"},
      {security::CreatorOwner, L"CREATOR OWNER"},
      {security::OwnerRights, L"OWNER RIGHTS"},
      {security::AuthenticatedUsers, L"NT AUTHORITY\\Authenticated Users"},
      {security::LocalSystem, L"NT AUTHORITY\\SYSTEM"},
      {security::Administrators, L"BUILTIN\\Administrators"},
      {security::Users, L"BUILTIN\\Users"},
      {security::TrustedInstaller, L"NT SERVICE\\TrustedInstaller"},
  };
  return names;
}

}  // namespace

std::optional<FileSecurity> ReadFileSecurity(const std::wstring& path) {
  if (standin::Fails("GetNamedSecurityInfoW")) return std::nullopt;
  const std::string host = standin::ToHostPath(path);
  struct stat st {};
  if (::stat(host.c_str(), &st) != 0) {
    const std::size_t slash = host.find_last_of('/');
    struct stat parent {};
    const bool inFolder = slash != std::string::npos &&
                          ::stat(host.substr(0, slash + 1).c_str(), &parent) == 0 &&
                          S_ISDIR(parent.st_mode);
    SetLastError(inFolder ? error::FileNotFound : error::PathNotFound);
    return std::nullopt;
  }
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gDescriptors.find(Key(path));
  return it != gDescriptors.end() ? it->second : standin::LockedDownSecurity();
}

std::optional<std::wstring> LocalAccountDomainSid() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gDomain;
}

std::optional<std::wstring> AccountName(const std::wstring& sid) {
  std::lock_guard<std::mutex> lock(gMutex);
  gLookups.push_back(sid);
  auto known = WellKnownNames().find(sid);
  if (known != WellKnownNames().end()) return known->second;
  auto it = gNames.find(sid);
  if (it != gNames.end()) return it->second;
  SetLastError(kNoneMapped);
  return std::nullopt;
}

FileSecurity standin::LockedDownSecurity() {
  const std::uint8_t tree = security::ObjectInherit | security::ContainerInherit;
  return FileSecurity{security::Administrators,
                      true,
                      {{true, tree, security::FullControl, security::LocalSystem},
                       {true, tree, security::FullControl, security::Administrators},
                       {true, tree, security::ReadExecute, security::Users}}};
}

void standin::SetFileSecurity(const std::wstring& path, const FileSecurity& security) {
  std::lock_guard<std::mutex> lock(gMutex);
  gDescriptors[Key(path)] = security;
}

void standin::SetAccountName(const std::wstring& sid, const std::wstring& name) {
  std::lock_guard<std::mutex> lock(gMutex);
  gNames[sid] = name;
}

void standin::SetLocalAccountDomain(const std::optional<std::wstring>& sid) {
  std::lock_guard<std::mutex> lock(gMutex);
  gDomain = sid;
}

std::vector<std::wstring> standin::AccountLookups() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLookups;
}

void standin::detail::ResetSecurity() {
  std::lock_guard<std::mutex> lock(gMutex);
  gDescriptors.clear();
  gNames.clear();
  gDomain = std::wstring(kDefaultDomain);
  gLookups.clear();
}

}  // namespace platform
