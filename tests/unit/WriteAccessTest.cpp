#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "app/UVelmoraNFCeStarter.h"
#include "app/WriteAccess.h"
#include "platform/EventLog.h"
#include "platform/Security.h"
#include "platform/standin/Control.h"
#include "platform/standin/Dialog.h"
#include "platform/standin/EventLog.h"
#include "platform/standin/Paths.h"
#include "platform/standin/Process.h"
#include "platform/standin/Security.h"
#include "platform/standin/Shell.h"
#include "svc/Installation.h"
#include "svc/ServiceApplication.h"
#include "tests/TestSupport.h"
#include "util/Exceptions.h"
#include "util/LogArquivo.h"

namespace fs = std::filesystem;
namespace sec = platform::security;
namespace standin = platform::standin;
using platform::AccessEntry;
using platform::FileSecurity;
using testsupport::WaitUntil;

namespace {

const std::uint8_t kTree = sec::ObjectInherit | sec::ContainerInherit;
const std::wstring kShopUser = L"S-1-5-21-1000-2000-3000-1001";  // a local account
const std::wstring kDomainUser = L"S-1-5-21-7-8-9-1105";         // a network domain's
// Everything the check looks for on a file: write, append, delete, permissions, owner.
const std::uint32_t kChangeRights =
    sec::WriteData | sec::AppendData | sec::Delete | sec::WriteDac | sec::WriteOwner;

AccessEntry Allow(const std::wstring& sid, std::uint32_t mask, std::uint8_t flags = 0) {
  return AccessEntry{true, flags, mask, sid};
}
AccessEntry Deny(const std::wstring& sid, std::uint32_t mask, std::uint8_t flags = 0) {
  return AccessEntry{false, flags, mask, sid};
}

// The locked-down layout, then what a case adds.
FileSecurity Locked(std::vector<AccessEntry> extra = {},
                    const std::wstring& owner = sec::Administrators) {
  FileSecurity s = standin::LockedDownSecurity();
  s.OwnerSid = owner;
  s.Dacl.insert(s.Dacl.end(), extra.begin(), extra.end());
  return s;
}

}  // namespace

TEST(WriteAccessJudgement, AccountsThatCanChangeTheFolderOrTheFile) {
  FileSecurity nullDacl = Locked();
  nullDacl.HasDacl = false;
  FileSecurity denyFirst = Locked({Allow(sec::Users, sec::Modify)});
  denyFirst.Dacl.insert(denyFirst.Dacl.begin(), Deny(sec::Users, kChangeRights));
  FileSecurity everyoneDenied = Locked({Allow(sec::Users, sec::Modify)});
  everyoneDenied.Dacl.insert(everyoneDenied.Dacl.begin(), Deny(sec::Everyone, kChangeRights));
  const struct {
    const char* Name;
    FileSecurity Security;
    bool IsFolder;
    std::vector<std::wstring> Expected;
  } cases[] = {
      {"allowed accounts only", Locked(), true, {}},
      {"TrustedInstaller owning, with full control",
       Locked({Allow(sec::TrustedInstaller, sec::FullControl)}, sec::TrustedInstaller),
       false,
       {}},
      {"Users with Modify", Locked({Allow(sec::Users, sec::Modify, kTree)}), true, {sec::Users}},
      {"Everyone with Write (icacls W)",
       Locked({Allow(sec::Everyone, 0x00100116)}),
       false,
       {sec::Everyone}},
      {"Authenticated Users with generic write",
       Locked({Allow(sec::AuthenticatedUsers, sec::GenericWrite)}),
       false,
       {sec::AuthenticatedUsers}},
      {"Users allowed to delete only",
       Locked({Allow(sec::Users, sec::Delete)}),
       false,
       {sec::Users}},
      {"Users allowed to take ownership only",
       Locked({Allow(sec::Users, sec::WriteOwner)}),
       true,
       {sec::Users}},
      {"delete-child on the folder",
       Locked({Allow(sec::Users, sec::DeleteChild)}),
       true,
       {sec::Users}},
      {"delete-child means nothing on a file",
       Locked({Allow(sec::Users, sec::DeleteChild)}),
       false,
       {}},
      {"write attributes and extended attributes only",
       Locked({Allow(sec::Users, sec::ReadExecute | sec::WriteAttributes | 0x10)}),
       false,
       {}},
      {"a user owning the file may change its permissions",
       Locked({}, kShopUser),
       false,
       {kShopUser}},
      {"owner rights with Modify, user owner",
       Locked({Allow(sec::OwnerRights, sec::Modify)}, kShopUser),
       false,
       {kShopUser}},
      {"owner rights read-only take the owner's implicit rights away",
       Locked({Allow(sec::OwnerRights, sec::ReadExecute)}, kShopUser),
       false,
       {}},
      {"owner rights with Modify, administrators owning",
       Locked({Allow(sec::OwnerRights, sec::Modify)}),
       false,
       {}},
      {"a deny before the allow wins", denyFirst, false, {}},
      {"a deny after the allow comes too late",
       Locked({Allow(sec::Users, sec::Modify), Deny(sec::Users, kChangeRights)}),
       false,
       {sec::Users}},
      {"Everyone denied covers Users", everyoneDenied, false, {}},
      {"a deny of writing leaves deleting",
       Locked({Deny(sec::Users, sec::WriteData | sec::AppendData), Allow(sec::Users, sec::Modify)}),
       false,
       {sec::Users}},
      {"inherit-only entry on the folder",
       Locked({Allow(sec::Users, sec::Modify, kTree | sec::InheritOnly)}),
       true,
       {}},
      {"inherit-only entry on the file",
       Locked({Allow(sec::Users, sec::Modify, kTree | sec::InheritOnly)}),
       false,
       {}},
      {"creator owner placeholder",
       Locked({Allow(sec::CreatorOwner, sec::GenericAll, kTree)}),
       true,
       {}},
      {"null DACL", nullDacl, false, {sec::Everyone}},
      {"each account once, in order",
       Locked({Allow(kDomainUser, sec::WriteData), Allow(sec::Users, sec::Modify),
               Allow(kDomainUser, sec::Delete)}),
       false,
       {sec::Users, kDomainUser}},
      {"what Wine answers for every file",
       FileSecurity{kShopUser,
                    true,
                    {Allow(sec::LocalSystem, sec::FullControl, kTree),
                     Allow(kShopUser, sec::FullControl, kTree),
                     Allow(sec::Everyone, sec::ReadExecute, kTree)}},
       false,
       {kShopUser}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AccountsThatCanChange(c.Security, c.IsFolder), c.Expected) << c.Name;
}

TEST(WriteAccessJudgement, OnlyThisComputersAccountsAreLookedUp) {
  const std::optional<std::wstring> local = L"S-1-5-21-1000-2000-3000";
  EXPECT_TRUE(ResolvesLocally(sec::Users, local));
  EXPECT_TRUE(ResolvesLocally(sec::Everyone, std::nullopt));
  EXPECT_TRUE(ResolvesLocally(kShopUser, local));
  EXPECT_FALSE(ResolvesLocally(kDomainUser, local));
  EXPECT_FALSE(ResolvesLocally(L"S-1-5-21-1000-2000-30001-500", local)) << "a longer number";
  EXPECT_FALSE(ResolvesLocally(kShopUser, std::nullopt)) << "no answer: nothing is local";
}

class WriteAccessTest : public ::testing::Test {
protected:
  void SetUp() override {
    FPreviousCwd = fs::current_path();
    std::random_device random;
    FRoot = fs::temp_directory_path() / ("velmora-access-" + std::to_string(random()));
    fs::create_directories(FRoot / "Nfce");
    fs::current_path(FRoot);
    standin::Reset();
    ReleaseLog();
    ASSERT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));
    FFolder = standin::FromHostPath((FRoot / "Nfce").string()) + L"\\";
    standin::SetModuleFileName(FFolder + L"ServicoVelmoraNFCe.exe");
    const fs::path emitter = FRoot / "Nfce" / "divevezodoz.exe";
    fs::copy_file(fs::path(VELMORA_SUPPORT_DIR) / "divevezodoz", emitter);
    fs::permissions(emitter, fs::perms::owner_all, fs::perm_options::add);
  }
  void TearDown() override {
    ReleaseLog();
    EXPECT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));
    standin::Reset();
    fs::current_path(FPreviousCwd);
    std::error_code ignored;
    fs::remove_all(FRoot, ignored);
  }

  // Lines of the day's log file at one level, as "[source] text".
  std::vector<std::wstring> LogLines(const std::string& level) const {
    const std::regex line("^\\S+ \\S+  [0-9A-F]{8} " + level + " *: \\[(\\S+) *\\] (.*)$");
    std::vector<std::wstring> found;
    if (!fs::is_directory(FRoot / "Nfce" / "log")) return found;
    for (const auto& file : fs::directory_iterator(FRoot / "Nfce" / "log")) {
      std::ifstream in(file.path(), std::ios::binary);
      std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      for (std::size_t at = 0; at < all.size();) {
        std::size_t end = all.find("\r\n", at);
        std::string l = all.substr(at, end - at);
        at = end == std::string::npos ? all.size() : end + 2;
        std::smatch m;
        if (!std::regex_match(l, m, line)) continue;
        std::wstring text;  // Windows-1252: these texts need nothing beyond Latin-1
        for (unsigned char ch : m[2].str()) text += static_cast<wchar_t>(ch);
        found.push_back(L"[" + standin::FromUtf8(m[1].str()) + L"] " + text);
      }
    }
    return found;
  }

  fs::path FRoot, FPreviousCwd;
  std::wstring FFolder;
};

TEST_F(WriteAccessTest, NamesWhereTheyResolveHereAndSidsElsewhere) {
  standin::SetAccountName(kShopUser, L"CAIXA01\\operador");
  standin::SetAccountName(kDomainUser, L"LOJA\\fulano");  // known, but only to a domain controller
  standin::SetFileSecurity(FFolder, Locked({Allow(sec::Users, sec::Modify, kTree),
                                            Allow(kDomainUser, sec::Modify, kTree)}));
  standin::SetFileSecurity(FFolder + L"divevezodoz.exe",
                           Locked({Allow(sec::Users, sec::Modify)}, kShopUser));
  const TWriteAccess access = CheckWriteAccess(FFolder, L"divevezodoz.exe");
  EXPECT_EQ(access.Accounts,
            (std::vector<std::wstring>{L"BUILTIN\\Users", kDomainUser, L"CAIXA01\\operador"}));
  EXPECT_TRUE(access.Unread.empty());
  const auto asked = standin::AccountLookups();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), kDomainUser), 0)
      << "a domain account's name would wait on the network";

  // A computer whose own domain cannot be told: its users' SIDs stand as they are.
  standin::SetLocalAccountDomain(std::nullopt);
  EXPECT_EQ(CheckWriteAccess(FFolder, L"divevezodoz.exe").Accounts,
            (std::vector<std::wstring>{L"BUILTIN\\Users", kDomainUser, kShopUser}));
}

TEST_F(WriteAccessTest, LockedFolderMissingEmitterAndUnreadablePermissions) {
  EXPECT_TRUE(CheckWriteAccess(FFolder, L"divevezodoz.exe").Accounts.empty());
  fs::remove(FRoot / "Nfce" / "divevezodoz.exe");
  const TWriteAccess missing = CheckWriteAccess(FFolder, L"divevezodoz.exe");
  EXPECT_TRUE(missing.Accounts.empty());
  EXPECT_TRUE(missing.Unread.empty()) << "nothing there, nothing to replace";

  standin::FailNext("GetNamedSecurityInfoW", platform::error::AccessDenied);
  const TWriteAccess unread = CheckWriteAccess(FFolder, L"divevezodoz.exe");
  ASSERT_EQ(unread.Unread.size(), 1u);
  EXPECT_EQ(unread.Unread[0], FFolder.substr(0, FFolder.size() - 1) + L": " +
                                  SystemErrorText(platform::error::AccessDenied) + L" (5)");
}

TEST_F(WriteAccessTest, StartWarnsAfterTheLaunchInTheLogAndTheEventLog) {
  standin::SetFileSecurity(FFolder, Locked({Allow(sec::Users, sec::Modify, kTree)}));
  standin::SetFileSecurity(FFolder + L"divevezodoz.exe",
                           Locked({Allow(sec::Everyone, 0x00100116)}));
  // The check comes after the shell was asked, never before.
  std::size_t launchesAtCheck = 99;
  standin::RaiseNext("GetNamedSecurityInfoW",
                     [&] { launchesAtCheck = standin::ShellLaunches().size(); });

  TComponent owner{nullptr};
  auto* starter = TComponent::CreateOwned<TVelmoraNFCeStarter>(&owner);
  starter->ServiceExecute(starter);
  ASSERT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));

  EXPECT_EQ(launchesAtCheck, 1u);
  const std::wstring warning =
      L"Permissões inseguras: estas contas podem alterar a pasta " + FFolder +
      L" ou o divevezodoz.exe, que este serviço executa como SYSTEM: BUILTIN\\Users, Everyone. "
      L"Só SYSTEM, Administradores e TrustedInstaller deveriam poder; veja \"SEGURANÇA DA "
      L"PASTA\" no LEIA-ME.txt.";
  EXPECT_EQ(WriteAccessWarning(FFolder, L"divevezodoz.exe", {L"BUILTIN\\Users", L"Everyone"}),
            warning);
  EXPECT_EQ(LogLines("ALERTA"), std::vector<std::wstring>{L"[TVelmoraNFCeStarter] " + warning});
  EXPECT_EQ(LogLines("INFO").size(), 2u) << "the launch's two lines";
  const auto entries = standin::EventEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Source, L"VelmoraNFCeStarter");
  EXPECT_EQ(entries[0].Type, platform::eventlog::Warning);
  EXPECT_EQ(entries[0].Text, warning);
  // The launch's outcome is the start's outcome; the warning changes nothing of it.
  EXPECT_EQ(starter->ErrCode(), 0u);
  EXPECT_EQ(starter->Win32ErrCode(), 0u);
}

TEST_F(WriteAccessTest, StartWithUnreadablePermissionsSaysSoAndGoesOn) {
  standin::FailNext("GetNamedSecurityInfoW", platform::error::AccessDenied, 2);
  TComponent owner{nullptr};
  auto* starter = TComponent::CreateOwned<TVelmoraNFCeStarter>(&owner);
  starter->ServiceExecute(starter);
  ASSERT_TRUE(WaitUntil([] { return LogWritersRunning() == 0; }));
  const auto alerts = LogLines("ALERTA");
  ASSERT_EQ(alerts.size(), 2u);
  for (const std::wstring& line : alerts)
    EXPECT_EQ(line.rfind(L"[TVelmoraNFCeStarter] Permissões não verificadas: ", 0), 0u) << line;
  EXPECT_TRUE(standin::EventEntries().empty());
}

TEST_F(WriteAccessTest, InstallResultCarriesTheWarning) {
  TServiceApplication app(nullptr);
  ServiceApplication = &app;
  TVelmoraNFCeStarter* starter = nullptr;
  app.CreateForm(starter);
  standin::SetFileSecurity(FFolder + L"divevezodoz.exe", Locked({}, kShopUser));
  standin::SetAccountName(kShopUser, L"CAIXA01\\operador");

  EXPECT_EQ(SetupServiceList({starter}, true, false), 0);
  auto shown = standin::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text,
            std::wstring(InstalledText) + L"\r\n\r\n" +
                WriteAccessWarning(FFolder, L"divevezodoz.exe", {L"CAIXA01\\operador"}));
  EXPECT_EQ(shown[0].Caption, L"Information");

  // Locked down: the plain success text, as before.
  EXPECT_EQ(SetupServiceList({starter}, false, true), 0);
  standin::SetFileSecurity(FFolder + L"divevezodoz.exe", Locked());
  EXPECT_EQ(SetupServiceList({starter}, true, false), 0);
  shown = standin::ShownDialogs();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].Text, InstalledText);
  EXPECT_EQ(SetupServiceList({starter}, false, true), 0);
  ServiceApplication = nullptr;
  StarterInstance = nullptr;
}
