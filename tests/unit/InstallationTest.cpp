// Registration and removal against the stand-in service manager: the exact
// arguments passed, the dialogs shown and the exit code an unattended run leaves.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "app/UVelmoraNFCeStarter.h"
#include "platform/Dialog.h"
#include "platform/ServiceManager.h"
#include "platform/standin/Control.h"
#include "platform/standin/Dialog.h"
#include "platform/standin/EventLog.h"
#include "platform/standin/Process.h"
#include "platform/standin/ServiceRegistry.h"
#include "svc/Installation.h"
#include "svc/Service.h"
#include "svc/ServiceApplication.h"
#include "util/Exceptions.h"

namespace standin = platform::standin;

namespace {

const std::wstring kStarter = L"VelmoraNFCeStarter";
const std::wstring kStarterDisplay = L"Velmora NFC-e Starter";
const std::uint32_t kErrorBox =
    platform::dialog::Ok | platform::dialog::IconError | platform::dialog::TaskModal;
const std::uint32_t kInfoBox =
    platform::dialog::Ok | platform::dialog::IconInformation | platform::dialog::TaskModal;

// A registration made by someone else, with just a name and a display name.
platform::ServiceRegistration Registered(const std::wstring& name, const std::wstring& display) {
  platform::ServiceRegistration r;
  r.ServiceName = name;
  r.DisplayName = display;
  r.BinaryPathName = LR"(C:\Other\other.exe)";
  return r;
}

class TPlainService : public TService {
public:
  TPlainService(TComponent* AOwner) : TService(AOwner) {}
  std::wstring ClassName() const override { return L"TPlainService"; }
  platform::HandlerFunction GetServiceController() override { return nullptr; }
};

class Installation : public ::testing::Test {
protected:
  void SetUp() override {
    standin::Reset();
    standin::SetModuleFileName(std::wstring(LR"(C:\Apps\ServicoVelmoraNFCe.exe)"));
    App = std::make_unique<TServiceApplication>(nullptr);
    ServiceApplication = App.get();
  }
  void TearDown() override {
    // Every handle that was opened has been closed again.
    EXPECT_EQ(standin::OpenRegistryHandles(), 0);
    ServiceApplication = nullptr;
    StarterInstance = nullptr;
    App.reset();
    standin::Reset();
  }

  TPlainService* AddService(const std::wstring& name,
                            const std::wstring& display = std::wstring()) {
    TPlainService* service = nullptr;
    App->CreateForm(service);
    service->SetName(name);
    service->SetDisplayName(display);
    return service;
  }

  void RunWith(const std::wstring& switches) {
    standin::SetCommandLine(LR"(C:\Apps\ServicoVelmoraNFCe.exe )" + switches);
    App->Run();
  }

  static std::wstring OSText(std::uint32_t code) { return EOSError(code).Message(); }

  std::unique_ptr<TServiceApplication> App;
};

TEST_F(Installation, StarterIsRegisteredWithExactlyItsArguments) {
  App->CreateForm(StarterInstance);
  RunWith(L"/INSTALL");

  const auto calls = standin::CreateServiceCalls();
  ASSERT_EQ(calls.size(), 1u);
  const platform::ServiceRegistration& r = calls[0].Arguments;
  EXPECT_NE(calls[0].Manager, 0u);
  EXPECT_EQ(r.ServiceName, kStarter);
  EXPECT_EQ(r.DisplayName, kStarterDisplay);
  EXPECT_EQ(r.DesiredAccess, 0xF01FFu);
  EXPECT_EQ(r.ServiceType, 0x10u);
  EXPECT_EQ(r.StartType, 2u);
  EXPECT_EQ(r.ErrorControl, 1u);
  EXPECT_EQ(r.BinaryPathName, LR"(C:\Apps\ServicoVelmoraNFCe.exe)");
  ASSERT_TRUE(r.LoadOrderGroup.has_value());  // an empty text, not a null pointer
  EXPECT_EQ(*r.LoadOrderGroup, L"");
  EXPECT_EQ(r.TagId, nullptr);
  ASSERT_TRUE(r.Dependencies.has_value());
  EXPECT_EQ(r.Dependencies->size(), 16u);
  EXPECT_EQ(*r.Dependencies, std::wstring(L"postgresql-9.4\0\0", 16));
  EXPECT_FALSE(r.ServiceStartName.has_value());  // the manager's default account
  ASSERT_TRUE(r.Password.has_value());
  EXPECT_EQ(*r.Password, L"");

  EXPECT_TRUE(standin::RegisteredService(kStarter).has_value());
  const auto shown = standin::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text, L"Service installed successfully");
  EXPECT_EQ(shown[0].Caption, L"Information");
  EXPECT_EQ(shown[0].Flags, kInfoBox);
  EXPECT_EQ(shown[0].Owner, 0u);
  EXPECT_EQ(App->ExitCode(), 0);
}

TEST_F(Installation, PathIsQuotedOnlyWhenItHoldsABlank) {
  struct {
    const wchar_t* Module;
    const wchar_t* Registered;
  } cases[] = {
      {LR"(C:\Program Files\App\ServicoVelmoraNFCe.exe)",
       LR"("C:\Program Files\App\ServicoVelmoraNFCe.exe")"},
      {LR"(C:\Apps\ServicoVelmoraNFCe.exe)", LR"(C:\Apps\ServicoVelmoraNFCe.exe)"},
  };
  TPlainService* service = AddService(L"Svc");
  for (const auto& c : cases) {
    standin::Reset();
    standin::SetModuleFileName(std::wstring(c.Module));
    {
      const platform::ScmHandle manager = platform::OpenSCManager(platform::svc::ManagerAllAccess);
      InstallOneService(*service, manager);
    }
    ASSERT_EQ(standin::CreateServiceCalls().size(), 1u);
    EXPECT_EQ(standin::CreateServiceCalls()[0].Arguments.BinaryPathName, c.Registered);
  }
}

TEST_F(Installation, DependencyTextStartTypeAndErrorControl) {
  TPlainService* service = AddService(L"Svc");
  EXPECT_EQ(DependencyText(*service), L"");  // no entries: no characters at all
  TDependency* a = service->Dependencies()->Add();
  a->SetName(L"A");
  TDependency* g = service->Dependencies()->Add();
  g->SetName(L"G");
  g->SetIsGroup(true);
  EXPECT_EQ(DependencyText(*service), std::wstring(L"A\0+G\0\0", 6));

  struct {
    TServiceType Type;
    TStartType Start;
    std::uint32_t Code;
  } starts[] = {
      {stDevice, stBoot, 0},  {stWin32, stBoot, 2},      {stDevice, stSystem, 1},
      {stWin32, stSystem, 2}, {stFileSystem, stBoot, 2}, {stWin32, stAuto, 2},
      {stWin32, stManual, 3}, {stWin32, stDisabled, 4},
  };
  for (const auto& c : starts) {
    service->SetServiceType(c.Type);
    service->SetStartType(c.Start);
    EXPECT_EQ(StartTypeCode(*service), c.Code) << int(c.Type) << "/" << int(c.Start);
  }
  const std::pair<TErrorSeverity, std::uint32_t> severities[] = {
      {esIgnore, 0}, {esNormal, 1}, {esSevere, 2}, {esCritical, 3}};
  for (const auto& [severity, code] : severities) {
    service->SetErrorSeverity(severity);
    EXPECT_EQ(ErrorControlCode(*service), code);
  }
}

TEST_F(Installation, TagPointerAccountAndValuesReadAfterBeforeInstall) {
  TPlainService* tagged = AddService(L"Tagged");
  tagged->SetTagID(7);
  tagged->SetServiceStartName(L".\\velmora");
  tagged->SetPassword(L"s3cret");
  tagged->SetLoadGroup(L"Group");
  TPlainService* untagged = AddService(L"Untagged");
  // BeforeInstall may still change the definition: what is registered is read after it.
  untagged->SetBeforeInstall([](TService* Sender) { Sender->SetStartType(stManual); });
  standin::SetNextTag(42);
  RunWith(L"/install /silent");

  const auto calls = standin::CreateServiceCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NE(calls[0].Arguments.TagId, nullptr);
  EXPECT_EQ(calls[0].TagIn, std::optional<std::uint32_t>(7));
  EXPECT_EQ(tagged->TagID(), 42u);  // what the service manager wrote back
  EXPECT_EQ(calls[0].Arguments.ServiceStartName, std::optional<std::wstring>(L".\\velmora"));
  EXPECT_EQ(calls[0].Arguments.Password, std::optional<std::wstring>(L"s3cret"));
  EXPECT_EQ(calls[0].Arguments.LoadOrderGroup, std::optional<std::wstring>(L"Group"));
  // Two services in one process share it.
  EXPECT_EQ(calls[0].Arguments.ServiceType, 0x20u);
  EXPECT_EQ(calls[1].Arguments.ServiceType, 0x20u);
  EXPECT_EQ(calls[1].Arguments.TagId, nullptr);
  EXPECT_EQ(untagged->TagID(), 0u);
  EXPECT_EQ(calls[1].Arguments.StartType, 3u);
  EXPECT_TRUE(standin::ShownDialogs().empty());
  EXPECT_EQ(App->ExitCode(), 0);
}

TEST_F(Installation, FailedTaggedRegistrationKeepsTheOldTag) {
  TPlainService* service = AddService(L"Svc");
  service->SetTagID(9);
  standin::FailNext("CreateServiceW", 5);
  RunWith(L"/install");
  EXPECT_EQ(service->TagID(), 9u);
  EXPECT_EQ(App->ExitCode(), 5);
}

TEST_F(Installation, RegisteringAnExistingServiceShowsOneErrorAndEndsWith1073) {
  for (const wchar_t* switches : {L"/install", L"-install /silent"}) {
    SCOPED_TRACE(std::string(switches, switches + std::wcslen(switches)));
    TearDown();
    SetUp();
    App->CreateForm(StarterInstance);
    standin::AddRegisteredService(Registered(kStarter, L"Someone else's"));
    RunWith(switches);
    const auto shown = standin::ShownDialogs();
    ASSERT_EQ(shown.size(), 1u);  // no success dialog follows, SILENT or not
    EXPECT_EQ(shown[0].Text,
              L"Service \"Velmora NFC-e Starter\" failed to install with error: \"System Error.  "
              L"Code: 1073.\r\n" +
                  SystemErrorText(1073) + L"\"");
    EXPECT_EQ(shown[0].Caption, L"Error");
    EXPECT_EQ(shown[0].Flags, kErrorBox);
    EXPECT_EQ(App->ExitCode(), 1073);
    EXPECT_EQ(standin::RegisteredService(kStarter)->DisplayName, L"Someone else's");
  }
}

TEST_F(Installation, RemovingRegisteredAndMissingServices) {
  App->CreateForm(StarterInstance);
  RunWith(L"/install /silent");
  ASSERT_TRUE(standin::RegisteredService(kStarter));
  // Both switches: only registration runs, so the second registration fails.
  RunWith(L"/uninstall /install");
  EXPECT_TRUE(standin::RegisteredService(kStarter));
  ASSERT_EQ(standin::ShownDialogs().size(), 1u);
  EXPECT_EQ(App->ExitCode(), 1073);

  TearDown();
  SetUp();
  App->CreateForm(StarterInstance);
  standin::AddRegisteredService(Registered(kStarter, kStarterDisplay));
  RunWith(L"/UNINSTALL");
  EXPECT_FALSE(standin::RegisteredService(kStarter));
  auto shown = standin::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text, L"Service uninstalled successfully");
  EXPECT_EQ(shown[0].Caption, L"Information");
  EXPECT_EQ(App->ExitCode(), 0);

  standin::Reset();
  RunWith(L"/silent /uninstall");  // no longer registered
  shown = standin::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text,
            L"Service \"Velmora NFC-e Starter\" failed to uninstall with error: \"System Error.  "
            L"Code: 1060.\r\n" +
                SystemErrorText(1060) + L"\"");
  EXPECT_EQ(shown[0].Caption, L"Error");
  EXPECT_EQ(App->ExitCode(), 1060);
}

TEST_F(Installation, FailingAfterInstallDeletesTheFreshRegistration) {
  TPlainService* service = AddService(L"Svc", L"Display");
  service->SetAfterInstall([](TService*) { throw Exception(L"handler refused"); });
  RunWith(L"/install");
  ASSERT_EQ(standin::CreateServiceCalls().size(), 1u);
  EXPECT_FALSE(standin::RegisteredService(L"Svc"));
  EXPECT_TRUE(standin::EventSourceKeys().empty()) << "its event sources go with it";
  const auto shown = standin::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text,
            L"Service \"Display\" failed to install with error: \"handler refused\"");
  EXPECT_EQ(App->ExitCode(), 1);  // no platform code: 1
}

TEST_F(Installation, UninstallHandlersAndFailuresOfOneServiceDoNotStopTheNext) {
  TPlainService* first = AddService(L"First");
  TPlainService* second = AddService(L"Second");
  TPlainService* third = AddService(L"Third");
  for (const wchar_t* name : {L"First", L"Second", L"Third"})
    standin::AddRegisteredService(Registered(name, name));
  first->SetBeforeUninstall([](TService*) { throw Exception(L"not now"); });
  int afterSecond = 0, afterThird = 0;
  second->SetAfterUninstall([&](TService*) { ++afterSecond; });
  third->SetAfterUninstall([&](TService*) { ++afterThird; });
  standin::FailNext("DeleteService", 5);  // the second's removal fails
  RunWith(L"/uninstall");

  EXPECT_TRUE(standin::RegisteredService(L"First"));  // BeforeUninstall failed: left alone
  EXPECT_TRUE(standin::RegisteredService(L"Second"));
  EXPECT_FALSE(standin::RegisteredService(L"Third"));
  EXPECT_EQ(afterSecond, 0);
  EXPECT_EQ(afterThird, 1);
  const auto shown = standin::ShownDialogs();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].Text, UninstallFailureText(L"First", L"not now"));
  EXPECT_EQ(shown[1].Text, UninstallFailureText(L"Second", OSText(5)));
  EXPECT_EQ(App->ExitCode(), 1);  // the first failure's code
}

TEST_F(Installation, ServiceManagerThatCannotBeOpenedLeavesSetupServices) {
  App->CreateForm(StarterInstance);
  standin::FailNext("OpenSCManagerW", 5);
  standin::SetCommandLine(std::wstring(L"x.exe /install"));
  try {
    App->Run();
    FAIL() << "no failure";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), 5u);
  }
  EXPECT_TRUE(standin::CreateServiceCalls().empty());
  EXPECT_TRUE(standin::ShownDialogs().empty());
}

TEST_F(Installation, ConsoleProgramWritesResultsToStandardOutput) {
  standin::SetConsole(true);
  ShowResult(L"Service installed successfully", TResultKind::Information);
  ShowResult(L"bad", TResultKind::Error);
  EXPECT_TRUE(standin::ShownDialogs().empty());
  EXPECT_EQ(standin::StdOutText(), L"Service installed successfully\r\nbad\r\n");
}

}  // namespace

TEST_F(Installation, PathThatTheServiceManagerWouldExpandIsRefusedWith161) {
  // The manager would replace %OS% at every start and run another program.
  for (const wchar_t* folder : {LR"(C:\Loja%OS%dir)", LR"(C:\100%)", LR"(C:\Loja %USERNAME%)"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(folder)));
    TearDown();
    SetUp();
    standin::SetModuleFileName(std::wstring(folder) + LR"(\ServicoVelmoraNFCe.exe)");
    App->CreateForm(StarterInstance);
    bool before = false;
    StarterInstance->SetBeforeInstall([&](TService*) { before = true; });
    RunWith(L"/INSTALL /SILENT");
    const auto shown = standin::ShownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, L"Service \"Velmora NFC-e Starter\" failed to install with error: \"" +
                                 OSText(161) + L"\"");
    EXPECT_EQ(shown[0].Flags, kErrorBox);
    EXPECT_EQ(App->ExitCode(), 161);
    EXPECT_FALSE(standin::RegisteredService(kStarter).has_value()) << "nothing is registered";
    EXPECT_FALSE(before) << "refused before the service's own handlers run";
  }
}

TEST_F(Installation, EventSourcesAreRegisteredWithTheServiceAndRemovedWithIt) {
  App->CreateForm(StarterInstance);
  RunWith(L"/INSTALL /SILENT");
  ASSERT_EQ(App->ExitCode(), 0);
  const auto keys = standin::EventSourceKeys();
  ASSERT_EQ(keys.size(), 2u);
  for (const wchar_t* source : {L"VelmoraNFCeStarter", L"ServicoVelmoraNFCe.exe"}) {
    ASSERT_EQ(keys.count(source), 1u) << testing::PrintToString(std::wstring(source));
    // The executable's own path, unquoted: the message table is read from it.
    EXPECT_EQ(keys.at(source).MessageFile, LR"(C:\Apps\ServicoVelmoraNFCe.exe)");
    EXPECT_EQ(keys.at(source).TypesSupported, 7u);
  }

  RunWith(L"/UNINSTALL /SILENT");
  EXPECT_EQ(App->ExitCode(), 0);
  EXPECT_TRUE(standin::EventSourceKeys().empty());
  EXPECT_FALSE(standin::RegisteredService(kStarter));
}

TEST_F(Installation, EventSourceKeyFailuresAreRegistrationFailures) {
  // Install: a refused key undoes the registration and reports like any failure.
  App->CreateForm(StarterInstance);
  standin::FailNext("RegCreateKeyExW", 5);
  RunWith(L"/INSTALL /SILENT");
  EXPECT_EQ(App->ExitCode(), 5);
  auto shown = standin::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text, L"Service \"Velmora NFC-e Starter\" failed to install with error: \"" +
                               OSText(5) + L"\"");
  EXPECT_FALSE(standin::RegisteredService(kStarter)) << "the registration is undone";
  EXPECT_TRUE(standin::EventSourceKeys().empty());

  // Uninstall: the service is removed, the refused key is reported.
  TearDown();
  SetUp();
  App->CreateForm(StarterInstance);
  RunWith(L"/INSTALL /SILENT");
  ASSERT_EQ(App->ExitCode(), 0);
  standin::FailNext("RegDeleteTreeW", 5);
  RunWith(L"/UNINSTALL /SILENT");
  EXPECT_EQ(App->ExitCode(), 5);
  shown = standin::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text, L"Service \"Velmora NFC-e Starter\" failed to uninstall with error: \"" +
                               OSText(5) + L"\"");
  EXPECT_FALSE(standin::RegisteredService(kStarter));
}

TEST_F(Installation, UninstallTriesBothKeysWhateverFailsBeforeAndReportsTheFirstFailure) {
  // The service gone by other means (sc delete) and keys that resist: every
  // key is still tried, and the exit code is the first failure in the order of
  // the work: the service, then the starter's key, then the executable's.
  struct Case {
    const char* name;
    bool serviceDeletedBefore;
    int keyFailures;  // the first this many key removals fail with 5
    int exitCode;
    std::size_t keysLeft;
  };
  const Case cases[] = {
      {"after sc delete", true, 0, 1060, 0},
      {"after sc delete, the first key refused", true, 1, 1060, 1},
      {"the first key refused", false, 1, 5, 1},
      {"both keys refused", false, 2, 5, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    App->CreateForm(StarterInstance);
    RunWith(L"/INSTALL /SILENT");
    ASSERT_EQ(App->ExitCode(), 0);
    if (c.serviceDeletedBefore) {
      const platform::ScmHandle manager = platform::OpenSCManager(platform::svc::ManagerAllAccess);
      const platform::ServiceHandle service =
          platform::OpenService(manager, kStarter, platform::svc::ServiceAllAccess);
      ASSERT_TRUE(platform::DeleteService(service));
    }
    if (c.keyFailures > 0) standin::FailNext("RegDeleteTreeW", 5, c.keyFailures);
    RunWith(L"/UNINSTALL /SILENT");
    EXPECT_EQ(App->ExitCode(), c.exitCode);
    const auto shown = standin::ShownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, UninstallFailureText(kStarterDisplay, OSText(c.exitCode)));
    EXPECT_FALSE(standin::RegisteredService(kStarter));
    const auto keys = standin::EventSourceKeys();
    EXPECT_EQ(keys.size(), c.keysLeft);
    if (c.keysLeft == 1) {
      EXPECT_EQ(keys.count(kStarter), 1u) << "the refused key is the first";
    }
  }
}

TEST_F(Installation, UninstallRemovesAKeyWithWhatOthersPutUnderIt) {
  App->CreateForm(StarterInstance);
  RunWith(L"/INSTALL /SILENT");
  ASSERT_EQ(App->ExitCode(), 0);
  standin::AddEventSourceSubkey(kStarter, L"Viewer");
  ASSERT_EQ(standin::EventSourceKeys().at(kStarter).Subkeys, std::vector<std::wstring>{L"Viewer"});
  RunWith(L"/UNINSTALL /SILENT");
  EXPECT_EQ(App->ExitCode(), 0);
  EXPECT_TRUE(standin::EventSourceKeys().empty());
  EXPECT_TRUE(standin::ShownDialogs().empty());

  // Keys already gone are no failure: a second run only misses the service.
  RunWith(L"/UNINSTALL /SILENT");
  EXPECT_EQ(App->ExitCode(), 1060);
}
