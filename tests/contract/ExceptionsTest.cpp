// The failure texts: the code, then the platform's own text for it (never
// Windows' wording, which Wine does not share).
#include <gtest/gtest.h>

#include "tests/contract/ContractTest.h"
#include "util/Exceptions.h"

namespace {

using ErrorTexts = contract::Test;

TEST_F(ErrorTexts, MessageCarriesCodeAndSystemText) {
  EOSError e(1073);
  EXPECT_EQ(e.ErrorCode(), 1073u);
  EXPECT_EQ(e.Message(), L"System Error.  Code: 1073.\r\n" + SystemErrorText(1073));
  EXPECT_FALSE(SystemErrorText(1073).empty());
  EXPECT_EQ(EOSError(0).Message(), L"A call to an OS function failed");
}

TEST_F(ErrorTexts, TrailingBlanksControlsAndFullStopsAreRemoved) {
  const std::wstring text = SystemErrorText(2);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), L'.');
  EXPECT_GT(text.back(), L' ');
  EXPECT_EQ(SystemErrorText(0xDEADBEEF), L"");
}

TEST_F(ErrorTexts, ServiceManagerCodesHaveText) {
  for (std::uint32_t code : {1060u, 1063u, 1064u, 1073u}) {
    const std::wstring text = SystemErrorText(code);
    EXPECT_FALSE(text.empty()) << code;
    if (!text.empty()) {
      EXPECT_NE(text.back(), L'.') << code;
    }
  }
}

}  // namespace
