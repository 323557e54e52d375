// The text for a person who started the service's executable by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "svc/Usage.h"

namespace {

std::string Narrow(const std::wstring& Text) {
  std::string out;
  for (wchar_t c : Text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

TEST(UsageText, SaysWhatTheProgramIsAndGivesTheThreeCommandLines) {
  const std::wstring text = UsageText(L"ServicoVelmoraNFCe.exe", {L"/INSTAL"});
  EXPECT_EQ(text,
            L"ServicoVelmoraNFCe.exe \u00E9 um servi\u00E7o do Windows: quem o inicia \u00E9 o "
            L"gerenciador de servi\u00E7os do Windows, n\u00E3o o Prompt de Comando nem um duplo "
            L"clique.\r\n"
            L"\r\n"
            L"Recebido: \"/INSTAL\". Isso n\u00E3o \u00E9 /INSTALL nem /UNINSTALL.\r\n"
            L"Nada foi instalado nem removido.\r\n"
            L"\r\n"
            L"Para instalar ou remover, no Prompt de Comando aberto como administrador, na pasta "
            L"do programa:\r\n"
            L"\r\n"
            L"ServicoVelmoraNFCe.exe /INSTALL\r\n"
            L"      instala o servi\u00E7o\r\n"
            L"ServicoVelmoraNFCe.exe /UNINSTALL\r\n"
            L"      remove o servi\u00E7o\r\n"
            L"ServicoVelmoraNFCe.exe /INSTALL /SILENT\r\n"
            L"      instala sem a mensagem de sucesso (/SILENT vale tamb\u00E9m com /UNINSTALL)\r\n"
            L"ServicoVelmoraNFCe.exe /INSTALL /WATCH\r\n"
            L"      instala e mant\u00E9m a API em execu\u00E7\u00E3o (modo de acompanhamento)\r\n"
            L"\r\n"
            L"Passo a passo no LEIA-ME.txt que acompanha o programa. C\u00F3digo de sa\u00EDda: "
            L"1063.")
      << Narrow(text);
}

TEST(UsageText, NamesWhatItWasGivenAndNothingOnABareStart) {
  struct {
    std::vector<std::wstring> Arguments;
    const wchar_t* Named;  // null: no "Recebido" line at all
  } cases[] = {
      {{}, nullptr},
      {{L"/?"}, L"Recebido: \"/?\". "},
      {{L"INSTALL"}, L"Recebido: \"INSTALL\". "},
      {{L"/INSTAL", L"/SILENCE"}, L"Recebido: \"/INSTAL /SILENCE\". "},
      {{L"C:\\Program Files\\x"}, L"Recebido: \"C:\\Program Files\\x\". "},
  };
  for (const auto& c : cases) {
    const std::wstring text = UsageText(L"Outro.exe", c.Arguments);
    SCOPED_TRACE(Narrow(text));
    if (c.Named == nullptr) {
      EXPECT_EQ(text.find(L"Recebido"), std::wstring::npos);
    } else {
      EXPECT_NE(text.find(c.Named), std::wstring::npos);
    }
    // The commands name the executable as it is called now, renamed or not.
    EXPECT_EQ(text.rfind(L"Outro.exe \u00E9 um servi\u00E7o", 0), 0u);
    for (const wchar_t* line :
         {L"\r\nOutro.exe /INSTALL\r\n", L"\r\nOutro.exe /UNINSTALL\r\n",
          L"\r\nOutro.exe /INSTALL /SILENT\r\n", L"\r\nOutro.exe /INSTALL /WATCH\r\n"})
      EXPECT_NE(text.find(line), std::wstring::npos) << Narrow(line);
    EXPECT_NE(text.find(L"\r\nNada foi instalado nem removido.\r\n"), std::wstring::npos);
  }
}

TEST(UsageText, ALongTextIsNamedOnlyInPart) {
  const std::wstring pasted(5000, L'x');
  const std::wstring text = UsageText(L"A.exe", {pasted});
  EXPECT_NE(text.find(L"Recebido: \"" + std::wstring(117, L'x') + L"...\". "), std::wstring::npos);
  EXPECT_LT(text.size(), 1000u);
}

}  // namespace
