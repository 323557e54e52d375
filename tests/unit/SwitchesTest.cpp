// The command-line switch rule: which arguments select which mode.
#include <gtest/gtest.h>

#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "platform/standin/Control.h"
#include "platform/standin/Process.h"
#include "svc/ServiceApplication.h"
#include "svc/Switches.h"

namespace {

struct SwitchCase {
  const wchar_t* Line;
  bool Install;
  bool Uninstall;
  bool Silent;
};

// The program's own path comes first, as the platform gives it.
const SwitchCase kCases[] = {
    {LR"("C:\Program Files\Velmora\ServicoVelmoraNFCe.exe" /install)", true, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe -INSTALL)", true, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe /Install)", true, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe "/install")", true, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe /in"st"all)", true, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe install)", false, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe \install)", false, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe --install)", false, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe /install:1)", false, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe /installer)", false, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe "/install /silent")", false, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe /INSTALL /UNINSTALL)", true, true, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe /SILENT)", false, false, true},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe /silent /uninstall)", false, true, true},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe x	/install)", true, false, false},  // a tab separates
    {L"C:\\Apps\\ServicoVelmoraNFCe.exe\x01/install", true, false, false},        // so does code 1
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe "" /install)", true, false, false},
    {LR"(C:\Apps\ServicoVelmoraNFCe.exe ""/install)", true, false, false},
    // The program itself is never taken as a switch.
    {LR"(/install)", false, false, false},
    {LR"("/install" /silent)", false, false, true},
    {L"", false, false, false},
};

class Switches : public ::testing::Test {
protected:
  void SetUp() override { platform::standin::Reset(); }
  void TearDown() override { platform::standin::Reset(); }
};

TEST_F(Switches, TableOfCommandLines) {
  for (const SwitchCase& c : kCases) {
    SCOPED_TRACE(testing::Message()
                 << "line: " << std::string(c.Line, c.Line + std::wcslen(c.Line)));
    platform::standin::SetCommandLine(std::wstring(c.Line));
    EXPECT_EQ(HasSwitch(L"INSTALL"), c.Install);
    EXPECT_EQ(HasSwitch(L"UNINSTALL"), c.Uninstall);
    EXPECT_EQ(HasSwitch(L"SILENT"), c.Silent);
  }
}

TEST_F(Switches, CommandLineIsReadAnewOnEveryCall) {
  platform::standin::SetCommandLine(std::wstring(L"app.exe /install"));
  EXPECT_TRUE(HasSwitch(L"install"));
  platform::standin::SetCommandLine(std::wstring(L"app.exe"));
  EXPECT_FALSE(HasSwitch(L"install"));
}

TEST(SplitCommandLine, QuotesBlanksAndLonePairs) {
  using V = std::vector<std::wstring>;
  EXPECT_EQ(SplitCommandLine(LR"("C:\Program Files\a.exe"  /x   -y)"),
            (V{LR"(C:\Program Files\a.exe)", L"/x", L"-y"}));
  // Quoted stretches join their neighbours and keep their blanks.
  EXPECT_EQ(SplitCommandLine(LR"(a b"c d"e)"), (V{L"a", L"bc de"}));
  // Lone pairs between arguments are skipped, so no argument is empty.
  EXPECT_EQ(SplitCommandLine(LR"(a "" "" b)"), (V{L"a", L"b"}));
  // An unclosed quote runs to the end of the line.
  EXPECT_EQ(SplitCommandLine(LR"(a "b c)"), (V{L"a", L"b c"}));
  // Leading and trailing separators (codes 1 to 32) make no argument.
  EXPECT_EQ(SplitCommandLine(L" \t\r\n a \x1f b \x20"), (V{L"a", L"b"}));
  EXPECT_EQ(SplitCommandLine(L""), V{});
  // A zero character ends the line, as it ends the platform's string.
  EXPECT_EQ(SplitCommandLine(std::wstring(L"a /x\0/y", 7)), (V{L"a", L"/x"}));
}

}  // namespace
