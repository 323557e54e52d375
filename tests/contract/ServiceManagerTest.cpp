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
    ASSERT_NE(FManager, 0u) << platform::LastError();
  }
  void TearDown() override {
    if (FManager != 0) {
      // Whatever a failed assertion left behind: the real manager outlives us.
      if (platform::Handle left = Open(FName)) {
        platform::DeleteService(left);
        platform::CloseServiceHandle(left);
      }
      platform::CloseServiceHandle(FManager);
    }
    contract::Test::TearDown();
  }

  platform::Handle Create(const std::wstring& name) {
    platform::ServiceRegistration r;
    r.ServiceName = name;
    r.DisplayName = L"Velmora contract test";
    r.ServiceType = platform::svc::Win32OwnProcess;
    r.StartType = platform::svc::DemandStart;
    r.ErrorControl = platform::svc::ErrorNormal;
    r.BinaryPathName = LR"(C:\VelmoraContract\none.exe)";
    return platform::CreateService(FManager, r);
  }
  platform::Handle Open(const std::wstring& name) {
    return platform::OpenService(FManager, name, platform::svc::ServiceAllAccess);
  }

  const std::wstring FName = contract::UniqueName(L"VelmoraContract");
  platform::Handle FManager = 0;
};

TEST_F(ServiceManagerContract, RegisteringAnExistingNameFailsWith1073WhateverItsCase) {
  const platform::Handle first = Create(FName);
  ASSERT_NE(first, 0u) << platform::LastError();
  EXPECT_TRUE(platform::CloseServiceHandle(first));
  for (const std::wstring& name : {FName, InCase(FName, true), InCase(FName, false)}) {
    const platform::Handle again = Create(name);
    const std::uint32_t error = platform::LastError();
    EXPECT_EQ(again, 0u);
    EXPECT_EQ(error, platform::error::ServiceExists);
    if (again != 0) platform::CloseServiceHandle(again);
  }
}

TEST_F(ServiceManagerContract, MissingServiceCannotBeOpenedNorDeletedWith1060) {
  const platform::Handle missing = Open(FName);
  const std::uint32_t missingError = platform::LastError();
  EXPECT_EQ(missing, 0u);
  EXPECT_EQ(missingError, platform::error::ServiceDoesNotExist);

  const platform::Handle created = Create(FName);
  ASSERT_NE(created, 0u) << platform::LastError();
  EXPECT_TRUE(platform::CloseServiceHandle(created));
  const platform::Handle found = Open(InCase(FName, true));
  ASSERT_NE(found, 0u) << "names compare without case; error " << platform::LastError();
  EXPECT_TRUE(platform::DeleteService(found));
  EXPECT_TRUE(platform::CloseServiceHandle(found));

  // Gone once its last handle is closed: there is nothing left to delete.
  const platform::Handle deleted = Open(FName);
  const std::uint32_t deletedError = platform::LastError();
  EXPECT_EQ(deleted, 0u);
  EXPECT_EQ(deletedError, platform::error::ServiceDoesNotExist);
  if (deleted != 0) platform::CloseServiceHandle(deleted);
}

TEST_F(ServiceManagerContract, DeletedServiceIsOnlyMarkedWhileAHandleIsOpen) {
  const platform::Handle held = Create(FName);
  ASSERT_NE(held, 0u) << platform::LastError();
  const platform::Handle other = Open(FName);
  ASSERT_NE(other, 0u) << platform::LastError();
  EXPECT_TRUE(platform::DeleteService(other));
  EXPECT_TRUE(platform::CloseServiceHandle(other));

  const bool deletedAgain = platform::DeleteService(held);
  const std::uint32_t deleteError = platform::LastError();
  EXPECT_FALSE(deletedAgain);
  EXPECT_EQ(deleteError, platform::error::ServiceMarkedForDelete);
  const platform::Handle recreated = Create(FName);
  const std::uint32_t createError = platform::LastError();
  EXPECT_EQ(recreated, 0u);
  EXPECT_EQ(createError, platform::error::ServiceMarkedForDelete);
  if (recreated != 0) platform::CloseServiceHandle(recreated);

  EXPECT_TRUE(platform::CloseServiceHandle(held));
  const platform::Handle fresh = Create(FName);
  EXPECT_NE(fresh, 0u) << "the name is free once the last handle is closed; error "
                       << platform::LastError();
  if (fresh != 0) platform::CloseServiceHandle(fresh);
}

}  // namespace
