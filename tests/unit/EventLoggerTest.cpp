// The event-log writer and the service's entry point to it, against the
// stand-in event log.
#include <gtest/gtest.h>

#include <memory>

#include "platform/standin/Control.h"
#include "platform/standin/EventLog.h"
#include "platform/standin/Process.h"
#include "svc/EventLogger.h"
#include "svc/Service.h"
#include "svc/ServiceApplication.h"

namespace standin = platform::standin;

namespace {

class TLoggingService : public TService {
public:
  explicit TLoggingService(TComponent* AOwner) : TService(AOwner) {
    SetName(L"VelmoraNFCeStarter");
  }
  platform::HandlerFunction GetServiceController() override { return nullptr; }
};

class EventLogger : public ::testing::Test {
protected:
  void SetUp() override { standin::Reset(); }
  void TearDown() override { standin::Reset(); }
};

TEST_F(EventLogger, RegistersOnTheFirstEntryReusesTheSourceAndDeregistersOnce) {
  {
    TEventLogger logger(L"ServicoVelmoraNFCe.exe");
    EXPECT_EQ(standin::EventSourceRegistrations(), 0);
    logger.LogMessage(L"primeira", 1, 3, 77);
    logger.LogMessage(L"", 2, 0, 0);  // an empty text is still one string
    EXPECT_EQ(standin::EventSourceRegistrations(), 1);
    const auto entries = standin::EventEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Source, L"ServicoVelmoraNFCe.exe");
    EXPECT_EQ(entries[0].Type, 1u);
    EXPECT_EQ(entries[0].Category, 3u);
    EXPECT_EQ(entries[0].Id, 77u);
    EXPECT_EQ(entries[0].Text, L"primeira");
    EXPECT_EQ(entries[1].Type, 2u);
    EXPECT_EQ(entries[1].Text, L"");
    EXPECT_EQ(standin::EventSourceDeregistrations(), 0);
  }
  EXPECT_EQ(standin::EventSourceDeregistrations(), 1);
}

TEST_F(EventLogger, AWriterThatNeverWroteDeregistersNothing) {
  { TEventLogger logger(L"VelmoraNFCeStarter"); }
  EXPECT_EQ(standin::EventSourceRegistrations(), 0);
  EXPECT_EQ(standin::EventSourceDeregistrations(), 0);
}

TEST_F(EventLogger, AFailedRegistrationLosesTheEntryAndTheNextOneTriesAgain) {
  {
    TEventLogger logger(L"VelmoraNFCeStarter");
    standin::FailNext("RegisterEventSourceW", 5);
    logger.LogMessage(L"perdida", platform::eventlog::Error, platform::eventlog::NoCategory,
                      platform::eventlog::NoEventId);
    EXPECT_TRUE(standin::EventEntries().empty());
    logger.LogMessage(L"escrita", platform::eventlog::Error, platform::eventlog::NoCategory,
                      platform::eventlog::NoEventId);
    ASSERT_EQ(standin::EventEntries().size(), 1u);
    EXPECT_EQ(standin::EventEntries()[0].Text, L"escrita");
    EXPECT_EQ(standin::EventSourceRegistrations(), 1);
  }
  EXPECT_EQ(standin::EventSourceDeregistrations(), 1);
}

TEST_F(EventLogger, ServiceWritesUnderItsNameWithCategoryCutTo16Bits) {
  {
    TServiceApplication app(nullptr);
    TLoggingService* service = nullptr;
    app.CreateForm(service);
    service->LogMessage(L"um", 1, 65537, -1);
    service->LogMessage(L"dois");
    const auto entries = standin::EventEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Source, L"VelmoraNFCeStarter");
    EXPECT_EQ(entries[0].Category, 1u);
    EXPECT_EQ(entries[0].Id, 0xFFFFFFFFu);
    EXPECT_EQ(entries[1].Type, 1u);
    EXPECT_EQ(entries[1].Category, 0u);
    EXPECT_EQ(entries[1].Id, 0u);
    EXPECT_EQ(standin::EventSourceRegistrations(), 1);
  }
  // The service's writer went with the service; the application's never wrote.
  EXPECT_EQ(standin::EventSourceDeregistrations(), 1);
}

TEST_F(EventLogger, ApplicationWritesUnderTheExecutableFileName) {
  struct Case {
    std::wstring Path, Source;
  };
  for (const Case& c :
       {Case{L"C:\\Apps\\Velmora NFCe\\ServicoVelmoraNFCe.exe", L"ServicoVelmoraNFCe.exe"},
        Case{L"C:Servico.exe", L"Servico.exe"}, Case{L"Servico.exe", L"Servico.exe"}}) {
    standin::SetModuleFileName(c.Path);
    TServiceApplication app(nullptr);
    ASSERT_NE(app.EventLogger(), nullptr);
    EXPECT_EQ(app.EventLogger()->Name(), c.Source);
  }
  EXPECT_EQ(standin::EventSourceRegistrations(), 0);
}

}  // namespace
