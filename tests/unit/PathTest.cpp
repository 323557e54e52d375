// The path and text helpers every file name of the program goes through.
#include <gtest/gtest.h>

#include "platform/Path.h"
#include "platform/Text.h"

TEST(Path, FolderFileNameAndExtension) {
  struct Case {
    const wchar_t* Path;
    const wchar_t* Folder;
    const wchar_t* FileName;
    const wchar_t* Stem;
  };
  const Case cases[] = {
      {LR"(C:\Loja\Velmora NFCe\ServicoVelmoraNFCe.exe)", LR"(C:\Loja\Velmora NFCe\)",
       L"ServicoVelmoraNFCe.exe", L"ServicoVelmoraNFCe"},
      {LR"(C:ServicoVelmoraNFCe.exe)", L"C:", L"ServicoVelmoraNFCe.exe", L"ServicoVelmoraNFCe"},
      {LR"(\\servidor\loja\a.b.exe)", LR"(\\servidor\loja\)", L"a.b.exe", L"a.b"},
      {LR"(C:\pasta.com.ponto\semextensao)", LR"(C:\pasta.com.ponto\)", L"semextensao",
       L"semextensao"},
      {L"nome.exe", L"", L"nome.exe", L"nome"},
      {LR"(C:\)", LR"(C:\)", L"", L""},
      {L"", L"", L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "path " << testing::PrintToString(std::wstring(c.Path)));
    EXPECT_EQ(platform::FolderOf(c.Path), c.Folder);
    EXPECT_EQ(platform::FileNameOf(c.Path), c.FileName);
    EXPECT_EQ(platform::WithoutExtension(platform::FileNameOf(c.Path)), c.Stem);
    // Folder and file name together give the path back.
    EXPECT_EQ(platform::FolderOf(c.Path) + platform::FileNameOf(c.Path), c.Path);
  }
}

TEST(Text, HexIsUpperCaseZeroPaddedAndKeepsTheLowDigits) {
  EXPECT_EQ(platform::Hex(0, 8), L"00000000");
  EXPECT_EQ(platform::Hex(0xA1C, 8), L"00000A1C");
  EXPECT_EQ(platform::Hex(0xFFFFFFFFu, 8), L"FFFFFFFF");
  EXPECT_EQ(platform::Hex(0x1234567890ABCDEFull, 16), L"1234567890ABCDEF");
  EXPECT_EQ(platform::Hex(0x123456789ull, 8), L"23456789");
}

TEST(Text, WidenTakesBytesAsLatin1) {
  EXPECT_EQ(platform::Widen(nullptr), L"");
  EXPECT_EQ(platform::Widen("bad_alloc"), L"bad_alloc");
  EXPECT_EQ(platform::Widen("a\xe7\xe3o"), L"a\u00e7\u00e3o");
}
