#include <gtest/gtest.h>

#include "util/Exceptions.h"

TEST(EOSError, MessageCarriesCodeAndSystemText) {
  EOSError e(1073);
  EXPECT_EQ(e.ErrorCode(), 1073u);
  EXPECT_EQ(e.Message(), L"System Error.  Code: 1073.\r\n" + SystemErrorText(1073));
  EXPECT_FALSE(SystemErrorText(1073).empty());
  EXPECT_EQ(EOSError(0).Message(), L"A call to an OS function failed");
}

TEST(SystemErrorText, TrailingBlanksControlsAndFullStopsAreRemoved) {
  const std::wstring text = SystemErrorText(2);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), L'.');
  EXPECT_GT(text.back(), L' ');
  EXPECT_EQ(SystemErrorText(0xDEADBEEF), L"");
}
