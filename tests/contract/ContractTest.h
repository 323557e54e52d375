// Contract tests are built twice: into the native test program against the
// stand-in and into the Win32 test program against the real layer under Wine.
// The same assertions hold both layers to one behaviour, so nothing here may
// depend on which one runs, nor on wording that differs between Windows and Wine.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#ifndef _WIN32
#include "platform/standin/Control.h"
#endif

namespace contract {

// Every test starts and ends on a platform as a new process finds it: the
// stand-in is reset; the real layer keeps nothing of ours between tests.
class Test : public ::testing::Test {
protected:
  void SetUp() override { Fresh(); }
  void TearDown() override { Fresh(); }

private:
  static void Fresh() {
#ifndef _WIN32
    platform::standin::Reset();
#endif
  }
};

// A name no other run uses: the real service manager and the temporary folder
// outlive the test program, and other builds may test beside us.
inline std::wstring UniqueName(const std::wstring& stem) {
  std::random_device random;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return stem + std::to_wstring(random() % 1000000u) + L"T" +
         std::to_wstring(static_cast<unsigned long long>(now) % 1000000u);
}

}  // namespace contract
