#include "svc/Usage.h"

#include "platform/Dialog.h"
#include "platform/Platform.h"

namespace {
// A pasted paragraph would make a box taller than the screen.
constexpr std::size_t kMaxNamed = 120;

std::wstring Named(const std::vector<std::wstring>& Arguments) {
  std::wstring text;
  for (const std::wstring& argument : Arguments) {
    if (!text.empty()) text += L' ';
    text += argument;
  }
  if (text.size() > kMaxNamed) text = text.substr(0, kMaxNamed - 3) + L"...";
  return text;
}
}  // namespace

std::wstring UsageText(const std::wstring& ExeName, const std::vector<std::wstring>& Arguments) {
  const std::wstring nl = L"\r\n";
  std::wstring text = ExeName +
                      L" \u00E9 um servi\u00E7o do Windows: quem o inicia \u00E9 o gerenciador "
                      L"de servi\u00E7os do Windows, n\u00E3o o Prompt de Comando nem um duplo "
                      L"clique." +
                      nl + nl;
  if (!Arguments.empty())
    text += L"Recebido: \"" + Named(Arguments) +
            L"\". Isso n\u00E3o \u00E9 /INSTALL nem /UNINSTALL." + nl;
  text += L"Nada foi instalado nem removido." + nl + nl;
  text +=
      L"Para instalar ou remover, no Prompt de Comando aberto como administrador, na pasta "
      L"do programa:" +
      nl + nl;
  text += ExeName + L" /INSTALL" + nl + L"      instala o servi\u00E7o" + nl;
  text += ExeName + L" /UNINSTALL" + nl + L"      remove o servi\u00E7o" + nl;
  text += ExeName + L" /INSTALL /SILENT" + nl +
          L"      instala sem a mensagem de sucesso (/SILENT vale tamb\u00E9m com /UNINSTALL)" + nl;
  text += ExeName + L" /INSTALL /WATCH" + nl +
          L"      instala e mant\u00E9m a API em execu\u00E7\u00E3o (modo de acompanhamento)" + nl +
          nl;
  text += L"Passo a passo no LEIA-ME.txt que acompanha o programa. C\u00F3digo de sa\u00EDda: " +
          std::to_wstring(platform::error::FailedServiceControllerConnect) + L".";
  return text;
}

void ShowUsage(const std::wstring& Text) {
  if (platform::IsConsole()) {
    platform::WriteStdErr(Text + L"\r\n");
    return;
  }
  platform::ShowMessageBox(
      0, Text, L"Error",
      platform::dialog::Ok | platform::dialog::IconError | platform::dialog::TaskModal);
}
