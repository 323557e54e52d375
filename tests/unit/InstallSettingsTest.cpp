// What /INSTALL sets beyond the registration: Parameters\Watch with /WATCH,
// the description, the recovery actions and their flag; refused settings
// leave the registration standing and say so; /UNINSTALL takes the
// Parameters key along.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/UVelmoraNFCeStarter.h"
#include "platform/EventLog.h"
#include "platform/standin/Control.h"
#include "platform/standin/Dialog.h"
#include "platform/standin/EventLog.h"
#include "platform/standin/Process.h"
#include "platform/standin/ServiceRegistry.h"
#include "svc/Installation.h"
#include "svc/ServiceApplication.h"
#include "svc/ServiceSettings.h"
#include "util/Exceptions.h"

namespace standin = platform::standin;

namespace {

const std::wstring kStarter = L"VelmoraNFCeStarter";

class InstallSettings : public ::testing::Test {
protected:
  void SetUp() override {
    standin::Reset();
    standin::SetModuleFileName(std::wstring(LR"(C:\Apps\ServicoVelmoraNFCe.exe)"));
    App = std::make_unique<TServiceApplication>(nullptr);
    ServiceApplication = App.get();
    App->CreateForm(StarterInstance);
  }
  void TearDown() override {
    EXPECT_EQ(standin::OpenRegistryHandles(), 0);
    ServiceApplication = nullptr;
    StarterInstance = nullptr;
    App.reset();
    standin::Reset();
  }
  void RunWith(const std::wstring& switches) {
    standin::SetCommandLine(LR"(C:\Apps\ServicoVelmoraNFCe.exe )" + switches);
    App->Run();
  }
  static std::vector<std::wstring> Warnings() {
    std::vector<std::wstring> texts;
    for (const auto& e : standin::EventEntries()) {
      EXPECT_EQ(e.Source, kStarter);
      EXPECT_EQ(e.Type, platform::eventlog::Warning);
      texts.push_back(e.Text);
    }
    return texts;
  }
  static std::optional<std::uint32_t> Watch() {
    return platform::ReadServiceParameter(kStarter, WatchValueName);
  }

  std::unique_ptr<TServiceApplication> App;
};

TEST_F(InstallSettings, InstallSetsDescriptionRecoveryAndFlagAndWatchOnlyWhenAsked) {
  RunWith(L"/INSTALL");
  const auto settings = standin::RegisteredSettings(kStarter);
  ASSERT_TRUE(settings.has_value());
  ASSERT_TRUE(settings->Description.has_value());
  EXPECT_NE(settings->Description->find(L"divevezodoz.exe"), std::wstring::npos);
  EXPECT_NE(settings->Description->find(L"PostgreSQL 9.4"), std::wstring::npos);
  const platform::FailureActions expected{86400,
                                          {{platform::svc::ActionRestart, 60000},
                                           {platform::svc::ActionRestart, 60000},
                                           {platform::svc::ActionNone, 0}}};
  EXPECT_TRUE(settings->Actions == expected);
  EXPECT_TRUE(settings->FailureActionsOnNonCrash);
  EXPECT_FALSE(standin::ServiceParameters(kStarter).has_value()) << "no Watch without /WATCH";
  EXPECT_TRUE(Warnings().empty());
  ASSERT_EQ(standin::ShownDialogs().size(), 1u);
  EXPECT_EQ(standin::ShownDialogs()[0].Text, L"Service installed successfully");

  RunWith(L"/uninstall /silent");
  RunWith(L"-Install /Watch /SILENT");
  EXPECT_EQ(Watch(), std::optional<std::uint32_t>(1));
  EXPECT_TRUE(WatchModeOn(kStarter));
  EXPECT_EQ(App->ExitCode(), 0);
}

TEST_F(InstallSettings, UninstallRemovesTheParametersKeyAndWatchAloneChangesNothing) {
  RunWith(L"/INSTALL /WATCH /SILENT");
  ASSERT_EQ(Watch(), std::optional<std::uint32_t>(1));
  RunWith(L"/UNINSTALL /SILENT");
  EXPECT_EQ(App->ExitCode(), 0);
  EXPECT_FALSE(standin::RegisteredService(kStarter).has_value());
  EXPECT_FALSE(standin::ServiceParameters(kStarter).has_value());

  // /WATCH means nothing to a removal; with no registration to remove, the
  // removal fails as before and a key made by hand is left alone.
  standin::SetServiceParameter(kStarter, WatchValueName, std::uint32_t{1});
  RunWith(L"/UNINSTALL /WATCH /SILENT");
  EXPECT_EQ(App->ExitCode(), 1060);
  EXPECT_EQ(Watch(), std::optional<std::uint32_t>(1));
  EXPECT_FALSE(standin::RegisteredService(kStarter).has_value());
}

TEST_F(InstallSettings, RefusedSettingsLeaveTheRegistrationAndAreNamedInTheTextAndTheEventLog) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::uint32_t>> faults;
    std::vector<std::wstring> refused;  // settings named, in order
  };
  const Case cases[] = {
      {"description", {{"ChangeServiceConfig2W(DESCRIPTION)", 5}}, {L"description"}},
      {"recovery actions", {{"ChangeServiceConfig2W(FAILURE_ACTIONS)", 5}}, {L"recovery actions"}},
      // Wine 8: the call succeeds, nothing is kept, the query fails with 124;
      // the flag is refused with error 0.
      {"as Wine 8",
       {{"QueryServiceConfig2W(FAILURE_ACTIONS)", 124},
        {"ChangeServiceConfig2W(FAILURE_ACTIONS_FLAG)", 0}},
       {L"recovery actions", L"failure actions flag"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    standin::Reset();
    standin::SetModuleFileName(std::wstring(LR"(C:\Apps\ServicoVelmoraNFCe.exe)"));
    for (const auto& f : c.faults) standin::FailNext(f.first, f.second);
    RunWith(L"/INSTALL /WATCH");
    EXPECT_EQ(App->ExitCode(), 0);
    EXPECT_TRUE(standin::RegisteredService(kStarter).has_value());
    EXPECT_EQ(Watch(), std::optional<std::uint32_t>(1));

    std::vector<std::wstring> expected;
    for (std::size_t i = 0; i < c.refused.size(); ++i)
      expected.push_back(SettingWarningText(c.refused[i], EOSError(c.faults[i].second).Message()));
    EXPECT_EQ(Warnings(), expected);
    std::wstring text = L"Service installed successfully\r\n";
    for (const std::wstring& w : expected) text += L"\r\n" + w;
    ASSERT_EQ(standin::ShownDialogs().size(), 1u);
    EXPECT_EQ(standin::ShownDialogs()[0].Text, text);
    EXPECT_EQ(standin::ShownDialogs()[0].Caption, L"Information");
    // The settings not refused were made.
    const auto settings = standin::RegisteredSettings(kStarter);
    EXPECT_EQ(settings->Description.has_value(), c.refused[0] != L"description");
    ASSERT_TRUE(App->ExitCode() == 0);
    App.reset();
    App = std::make_unique<TServiceApplication>(nullptr);
    ServiceApplication = App.get();
    App->CreateForm(StarterInstance);
  }
}

TEST_F(InstallSettings, WatchValueThatCannotBeWrittenUndoesTheRegistration) {
  standin::FailNext("RegSetValueExW", platform::error::AccessDenied);
  RunWith(L"/INSTALL /WATCH /SILENT");
  EXPECT_EQ(App->ExitCode(), 5);
  EXPECT_FALSE(standin::RegisteredService(kStarter).has_value());
  EXPECT_TRUE(standin::EventSourceKeys().empty());
  ASSERT_EQ(standin::ShownDialogs().size(), 1u);
  EXPECT_EQ(standin::ShownDialogs()[0].Text,
            InstallFailureText(L"Velmora NFC-e Starter", EOSError(5).Message()));
}

}  // namespace
