// Names compare the way the system compares them: whole, without case.
#include <gtest/gtest.h>

#include "platform/Compare.h"
#include "tests/contract/ContractTest.h"

namespace {

using CompareString = contract::Test;

TEST_F(CompareString, ServiceNamesMatchIgnoringCase) {
  struct Case {
    const wchar_t* A;
    const wchar_t* B;
    bool Equal;
  };
  for (const Case& c :
       {Case{L"velmoranfcestarter", L"VelmoraNFCeStarter", true},
        Case{L"VELMORANFCESTARTER", L"VelmoraNFCeStarter", true},
        Case{L"VelmoraNFCeStarter", L"VelmoraNFCeStarter", true},
        Case{L"VelmoraNFCeStarte", L"VelmoraNFCeStarter", false},
        Case{L"VelmoraNFCeStarter ", L"VelmoraNFCeStarter", false},
        Case{L"SERVI\u00C7O", L"servi\u00E7o", true}, Case{L"servi\u00E7o", L"servico", false},
        Case{L"INSTALL", L"install", true}, Case{L"", L"", true}}) {
    EXPECT_EQ(platform::SameTextIgnoreCase(c.A, c.B), c.Equal) << c.A << " / " << c.B;
  }
}

}  // namespace
