// The service manager's answers to registrations, held to the real one: under
// Wine the test program talks to the warm session's service manager, so every
// test uses a name of its own and removes what it registered.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "platform/Platform.h"
#include "platform/ServiceManager.h"
#include "tests/contract/ContractTest.h"

namespace {

std::wstring InCase(std::wstring text, bool upper) {
  for (wchar_t& c : text)
    c = static_cast<wchar_t>(upper ? std::towupper(static_cast<wint_t>(c))
                                   : std::towlower(static_cast<wint_t>(c)));
  return text;
}

class ServiceManagerContract : public contract::Test {
protected:
  void SetUp() override {
    contract::Test::SetUp();
    FManager = platform::OpenSCManager(platform::svc::ManagerAllAccess);
    ASSERT_TRUE(FManager) << platform::LastError();
  }
  void TearDown() override {
    if (FManager) {
      // Whatever a failed assertion left behind: the real manager outlives us.
      if (const platform::ServiceHandle left = Open(FName)) platform::DeleteService(left);
      FManager.Reset();
    }
    contract::Test::TearDown();
  }

  platform::ServiceHandle Create(const std::wstring& name) {
    platform::ServiceRegistration r;
    r.ServiceName = name;
    r.DisplayName = L"Velmora contract test";
    r.ServiceType = platform::svc::Win32OwnProcess;
    r.StartType = platform::svc::DemandStart;
    r.ErrorControl = platform::svc::ErrorNormal;
    r.BinaryPathName = LR"(C:\VelmoraContract\none.exe)";
    return platform::CreateService(FManager, r);
  }
  platform::ServiceHandle Open(const std::wstring& name) {
    return platform::OpenService(FManager, name, platform::svc::ServiceAllAccess);
  }
  // Closes now, where the test needs the close to have happened, and says whether it worked.
  static bool Close(platform::ServiceHandle& service) {
    return platform::CloseServiceHandle(service.Release());
  }

  const std::wstring FName = contract::UniqueName(L"VelmoraContract");
  platform::ScmHandle FManager;
};

TEST_F(ServiceManagerContract, RegisteringAnExistingNameFailsWith1073WhateverItsCase) {
  platform::ServiceHandle first = Create(FName);
  ASSERT_TRUE(first) << platform::LastError();
  EXPECT_TRUE(Close(first));
  for (const std::wstring& name : {FName, InCase(FName, true), InCase(FName, false)}) {
    const platform::ServiceHandle again = Create(name);
    const std::uint32_t error = platform::LastError();
    EXPECT_FALSE(again);
    EXPECT_EQ(error, platform::error::ServiceExists);
  }
}

TEST_F(ServiceManagerContract, MissingServiceCannotBeOpenedNorDeletedWith1060) {
  {
    const platform::ServiceHandle missing = Open(FName);
    const std::uint32_t missingError = platform::LastError();
    EXPECT_FALSE(missing);
    EXPECT_EQ(missingError, platform::error::ServiceDoesNotExist);
  }

  platform::ServiceHandle created = Create(FName);
  ASSERT_TRUE(created) << platform::LastError();
  EXPECT_TRUE(Close(created));
  platform::ServiceHandle found = Open(InCase(FName, true));
  ASSERT_TRUE(found) << "names compare without case; error " << platform::LastError();
  EXPECT_TRUE(platform::DeleteService(found));
  EXPECT_TRUE(Close(found));

  // Gone once its last handle is closed: there is nothing left to delete.
  const platform::ServiceHandle deleted = Open(FName);
  const std::uint32_t deletedError = platform::LastError();
  EXPECT_FALSE(deleted);
  EXPECT_EQ(deletedError, platform::error::ServiceDoesNotExist);
}

TEST_F(ServiceManagerContract, DeletedServiceIsOnlyMarkedWhileAHandleIsOpen) {
  platform::ServiceHandle held = Create(FName);
  ASSERT_TRUE(held) << platform::LastError();
  platform::ServiceHandle other = Open(FName);
  ASSERT_TRUE(other) << platform::LastError();
  EXPECT_TRUE(platform::DeleteService(other));
  EXPECT_TRUE(Close(other));

  const bool deletedAgain = platform::DeleteService(held);
  const std::uint32_t deleteError = platform::LastError();
  EXPECT_FALSE(deletedAgain);
  EXPECT_EQ(deleteError, platform::error::ServiceMarkedForDelete);
  {
    const platform::ServiceHandle recreated = Create(FName);
    const std::uint32_t createError = platform::LastError();
    EXPECT_FALSE(recreated);
    EXPECT_EQ(createError, platform::error::ServiceMarkedForDelete);
  }

  EXPECT_TRUE(Close(held));
  const platform::ServiceHandle fresh = Create(FName);
  EXPECT_TRUE(fresh) << "the name is free once the last handle is closed; error "
                     << platform::LastError();
}

}  // namespace
