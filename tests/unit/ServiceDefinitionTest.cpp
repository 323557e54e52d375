#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "svc/Component.h"
#include "svc/Service.h"
#include "util/Exceptions.h"

namespace {

void VELMORA_WINAPI NoControl(std::uint32_t) {}

// TService is abstract only for want of a control-handler entry.
class TPlainService : public TService {
public:
  using TService::TService;
  platform::HandlerFunction GetServiceController() override { return &NoControl; }
};

struct ServiceFixture : ::testing::Test {
  TComponent owner{nullptr};
  TPlainService* s = TComponent::CreateOwned<TPlainService>(&owner);
};

template <class E, class F>
std::wstring MessageOf(F&& call) {
  try {
    call();
  } catch (const E& e) {
    return e.Message();
  }
  return L"<no failure>";
}

}  // namespace

TEST_F(ServiceFixture, NewServiceHasTheDefaults) {
  EXPECT_EQ(s->Owner(), &owner);
  EXPECT_EQ(s->Name(), L"");
  EXPECT_EQ(s->WaitHint(), 5000);
  EXPECT_EQ(s->StartType(), stAuto);
  EXPECT_EQ(s->ServiceType(), stWin32);
  EXPECT_EQ(s->ErrorSeverity(), esNormal);
  EXPECT_EQ(s->TagID(), 0u);
  EXPECT_TRUE(s->AllowStop());
  EXPECT_TRUE(s->AllowPause());
  EXPECT_FALSE(s->Interactive());
  EXPECT_EQ(s->Dependencies()->Count(), 0);
  EXPECT_EQ(s->Dependencies()->Owner(), s);
  EXPECT_EQ(s->ParamCount(), 0);
  EXPECT_EQ(s->Status(), csStopped);
  EXPECT_EQ(s->ErrCode(), 0u);
  EXPECT_EQ(s->Win32ErrCode(), 0u);
  EXPECT_EQ(s->StatusHandle(), 0u);
  EXPECT_EQ(s->ServiceThread(), nullptr);
  EXPECT_FALSE(s->Terminated());
  EXPECT_EQ(s->LoadGroup(), L"");
  EXPECT_EQ(s->Password(), L"");
  EXPECT_EQ(s->ServiceStartName(), L"");
  EXPECT_FALSE(s->BeforeInstall() || s->AfterInstall() || s->BeforeUninstall() ||
               s->AfterUninstall() || s->OnContinue() || s->OnExecute() || s->OnPause() ||
               s->OnShutdown() || s->OnStart() || s->OnStop());
}

TEST(ServiceEnumerations, OrdinalsAreFixedAndOneByteWide) {
  // Registration and status reports map these by position.
  EXPECT_EQ(sizeof(TServiceType), 1u);
  EXPECT_EQ(sizeof(TStartType), 1u);
  EXPECT_EQ(sizeof(TErrorSeverity), 1u);
  EXPECT_EQ(sizeof(TCurrentStatus), 1u);
  EXPECT_EQ(static_cast<int>(stFileSystem), 2);
  EXPECT_EQ(static_cast<int>(stAuto), 2);
  EXPECT_EQ(static_cast<int>(stDisabled), 4);
  EXPECT_EQ(static_cast<int>(esCritical), 3);
  EXPECT_EQ(static_cast<int>(csRunning), 3);
  EXPECT_EQ(static_cast<int>(csPaused), 6);
}

TEST_F(ServiceFixture, DisplayNameFallsBackToName) {
  s->SetName(L"Svc");
  EXPECT_EQ(s->DisplayName(), L"Svc");
  s->SetDisplayName(L"Shown");
  EXPECT_EQ(s->DisplayName(), L"Shown");
  s->SetName(L"Other");
  EXPECT_EQ(s->DisplayName(), L"Shown");
  s->SetDisplayName(L"");
  EXPECT_EQ(s->DisplayName(), L"Other");
}

// Password and ServiceStartName follow the same rule against Interactive.
struct AccountField {
  const char* name;
  std::function<void(TService*, const std::wstring&)> set;
  std::function<std::wstring(const TService*)> get;
};

static const std::vector<AccountField>& AccountFields() {
  static const std::vector<AccountField> fields{
      {"Password", [](TService* s, const std::wstring& v) { s->SetPassword(v); },
       [](const TService* s) { return s->Password(); }},
      {"ServiceStartName", [](TService* s, const std::wstring& v) { s->SetServiceStartName(v); },
       [](const TService* s) { return s->ServiceStartName(); }},
  };
  return fields;
}

TEST_F(ServiceFixture, NonEmptyAccountTextClearsInteractive) {
  for (const AccountField& f : AccountFields()) {
    SCOPED_TRACE(f.name);
    s->SetInteractive(true);
    f.set(s, L"secret");
    EXPECT_FALSE(s->Interactive());
    EXPECT_EQ(f.get(s), L"secret");
  }
}

TEST_F(ServiceFixture, InteractiveClearsPasswordAndAccount) {
  s->SetPassword(L"pw");
  s->SetServiceStartName(L".\\loja");
  s->SetInteractive(true);
  EXPECT_TRUE(s->Interactive());
  EXPECT_EQ(s->Password(), L"");
  EXPECT_EQ(s->ServiceStartName(), L"");
  // Setting the same value again is no change, so nothing is cleared by it.
  s->SetInteractive(false);
  s->SetPassword(L"pw");
  s->SetInteractive(false);
  EXPECT_EQ(s->Password(), L"pw");
}

TEST_F(ServiceFixture, ClearingOrRepeatingAnAccountTextLeavesInteractive) {
  for (const AccountField& f : AccountFields()) {
    SCOPED_TRACE(f.name);
    s->SetInteractive(true);
    f.set(s, L"");
    EXPECT_TRUE(s->Interactive()) << "an empty text never clears Interactive";

    s->SetInteractive(false);
    f.set(s, L"abc");
    f.set(s, L"abc");
    EXPECT_FALSE(s->Interactive());
    EXPECT_EQ(f.get(s), L"abc");
    f.set(s, L"ABC");
    EXPECT_EQ(f.get(s), L"ABC") << "comparison is case-sensitive";
    f.set(s, L"");
    EXPECT_EQ(f.get(s), L"");
    EXPECT_FALSE(s->Interactive());
  }
}

TEST_F(ServiceFixture, PauseContinueAndStopHandlersReenableTheirControls) {
  struct Case {
    const char* name;
    std::function<void(TService*)> assign;
    std::function<bool(const TService*)> flag;
  };
  const std::vector<Case> cases{
      {"OnPause none", [](TService* x) { x->SetOnPause(nullptr); },
       [](const TService* x) { return x->AllowPause(); }},
      {"OnContinue none", [](TService* x) { x->SetOnContinue(nullptr); },
       [](const TService* x) { return x->AllowPause(); }},
      {"OnPause set", [](TService* x) { x->SetOnPause([](TService*, bool&) {}); },
       [](const TService* x) { return x->AllowPause(); }},
      {"OnStop none", [](TService* x) { x->SetOnStop(nullptr); },
       [](const TService* x) { return x->AllowStop(); }},
      {"OnStop set", [](TService* x) { x->SetOnStop([](TService*, bool&) {}); },
       [](const TService* x) { return x->AllowStop(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    s->SetAllowPause(false);
    s->SetAllowStop(false);
    c.assign(s);
    EXPECT_TRUE(c.flag(s));
  }
}

TEST_F(ServiceFixture, OtherEventsLeaveTheControlFlags) {
  s->SetAllowPause(false);
  s->SetAllowStop(false);
  const TServiceEvent any = [](TService*) {};
  s->SetBeforeInstall(any);
  s->SetAfterInstall(any);
  s->SetBeforeUninstall(any);
  s->SetAfterUninstall(any);
  s->SetOnExecute(any);
  s->SetOnShutdown(any);
  s->SetOnStart([](TService*, bool&) {});
  EXPECT_FALSE(s->AllowPause());
  EXPECT_FALSE(s->AllowStop());
  EXPECT_TRUE(s->OnExecute() && s->OnStart() && s->OnShutdown());
}

TEST_F(ServiceFixture, DependenciesAreCopiedIntoTheServicesOwnList) {
  TDependencies given(nullptr);
  given.Add()->SetName(L"postgresql-9.4");
  TDependency* group = given.Add();
  group->SetName(L"NetworkProvider");
  group->SetIsGroup(true);

  TDependencies* own = s->Dependencies();
  own->Add()->SetName(L"stale");
  s->SetDependencies(given);
  ASSERT_EQ(s->Dependencies(), own) << "the service keeps its own list object";
  ASSERT_EQ(own->Count(), 2);
  EXPECT_EQ(own->GetItem(0)->Name(), L"postgresql-9.4");
  EXPECT_FALSE(own->GetItem(0)->IsGroup());
  EXPECT_EQ(own->GetItem(1)->Name(), L"NetworkProvider");
  EXPECT_TRUE(own->GetItem(1)->IsGroup());
  EXPECT_NE(own->GetItem(0), given.GetItem(0));

  given.GetItem(0)->SetName(L"changed");
  given.Add();
  EXPECT_EQ(own->Count(), 2);
  EXPECT_EQ(own->GetItem(0)->Name(), L"postgresql-9.4");

  s->SetDependencies(*own);  // assigning the list to itself keeps it
  EXPECT_EQ(own->Count(), 2);
}

TEST(Dependencies, ItemsCopyIntoTheListsOwnEntryAndCheckTheIndex) {
  TDependencies list(nullptr);
  TDependency* entry = list.Add();
  entry->SetName(L"a");
  TDependency other;
  other.SetName(L"b");
  other.SetIsGroup(true);

  list.SetItem(0, other);
  EXPECT_EQ(list.GetItem(0), entry);
  EXPECT_EQ(entry->Name(), L"b");
  EXPECT_TRUE(entry->IsGroup());

  for (int index : {-1, 1, 2}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(MessageOf<EArgumentOutOfRangeException>([&] { list.GetItem(index); }),
              L"Argument out of range");
    EXPECT_EQ(MessageOf<EArgumentOutOfRangeException>([&] { list.SetItem(index, other); }),
              L"Argument out of range");
  }
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(ServiceFixture, ParamOutsideTheListNamesTheIndex) {
  for (int index : {0, -1, 7}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(MessageOf<EListError>([&] { s->Param(index); }),
              L"List index out of bounds (" + std::to_wstring(index) + L")");
  }
}

TEST(Component, OwnerDestroysWhatItOwnsLastFirst) {
  struct TTracked : TComponent {
    TTracked(TComponent* AOwner, std::vector<int>* log, int id)
        : TComponent(AOwner), FLog(log), FId(id) {}
    ~TTracked() override { FLog->push_back(FId); }
    std::vector<int>* FLog;
    int FId;
  };
  struct TFailing : TComponent {
    explicit TFailing(TComponent* AOwner) : TComponent(AOwner) { throw EListError(L"no"); }
  };
  std::vector<int> destroyed;
  {
    TComponent owner(nullptr);
    TTracked* first = TComponent::CreateOwned<TTracked>(&owner, &destroyed, 1);
    TComponent::CreateOwned<TTracked>(&owner, &destroyed, 2);
    EXPECT_THROW(TComponent::CreateOwned<TFailing>(&owner), EListError);
    ASSERT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(owner.Components(0), first);
    EXPECT_EQ(first->Owner(), &owner);
  }
  EXPECT_EQ(destroyed, (std::vector<int>{2, 1}));
}
