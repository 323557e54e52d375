// File security and account names on the real Win32 layer. Wine answers a
// made-up DACL for every file and folder (SYSTEM and the current user full
// control, Everyone read, owner the user); Windows answers the stored one. The
// checks hold for both.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/Platform.h"
#include "platform/Security.h"

namespace sec = platform::security;

namespace {
std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
  return std::wstring(buffer, n);
}
}  // namespace

TEST(SecurityWin32, FolderAndFileAnswerOwnerAndDacl) {
  const std::wstring folder = TempFolder();
  const std::wstring file = folder + L"velmora-security-test.txt";
  HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ::CloseHandle(h);
  for (const std::wstring& path : {folder.substr(0, folder.size() - 1), file}) {
    const auto security = platform::ReadFileSecurity(path);
    ASSERT_TRUE(security.has_value()) << platform::LastError();
    EXPECT_EQ(security->OwnerSid.rfind(L"S-1-", 0), 0u) << security->OwnerSid;
    ASSERT_TRUE(security->HasDacl);
    ASSERT_FALSE(security->Dacl.empty());
    for (const platform::AccessEntry& ace : security->Dacl)
      EXPECT_EQ(ace.Sid.rfind(L"S-1-", 0), 0u) << ace.Sid;
  }
  ::DeleteFileW(file.c_str());
}

TEST(SecurityWin32, MissingFileFailsWithItsCode) {
  EXPECT_FALSE(platform::ReadFileSecurity(TempFolder() + L"no-such-file-here.exe").has_value());
  EXPECT_EQ(platform::LastError(), platform::error::FileNotFound);
}

TEST(SecurityWin32, WellKnownNamesResolveAndMalformedSidsDoNot) {
  const auto admins = platform::AccountName(sec::Administrators);
  ASSERT_TRUE(admins.has_value());
  EXPECT_NE(admins->find(L'\\'), std::wstring::npos) << "BUILTIN\\<name in the system's language>";
  EXPECT_TRUE(platform::AccountName(sec::Everyone).has_value());
  EXPECT_FALSE(platform::AccountName(L"not a SID").has_value());
  const auto domain = platform::LocalAccountDomainSid();
  if (domain) {
    EXPECT_EQ(domain->rfind(L"S-1-5-21-", 0), 0u) << *domain;
  }
}
