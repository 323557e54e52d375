#include "app/UVelmoraNFCeStarter.h"

#include <optional>

#include "app/WriteAccess.h"
#include "platform/FileAttributes.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "util/Exceptions.h"
#include "util/LogArquivo.h"

TVelmoraNFCeStarter* StarterInstance = nullptr;

namespace {
const wchar_t* const kArquivoAPI = L"divevezodoz.exe";
const wchar_t* const kTextoExecutando = L"Executando API: ";
const wchar_t* const kTextoRetorno = L"Enviado comando ShellExecute para o Windows. Retorno: ";
const wchar_t* const kTextoErro = L"Erro ao executar API: ";
const wchar_t* const kTextoSemPermissoes = L"Permissões não verificadas: ";

// The shell opens a folder (or a device) in its own way and answers as if the
// emitter had started. What exists and is not a file is never handed to it.
bool ExisteENaoEArquivo(const std::wstring& pCaminho) {
  const std::optional<std::uint32_t> atributos = platform::FileAttributesOf(pCaminho);
  return atributos &&
         (*atributos & (platform::fileattr::Directory | platform::fileattr::Device)) != 0;
}
}  // namespace

void VELMORA_WINAPI ServiceControlHandler(std::uint32_t CtrlCode) {
  // Read on every call: the handler may be registered before or after it is set.
  if (TVelmoraNFCeStarter* starter = StarterInstance) starter->PostControlCode(CtrlCode);
}

TVelmoraNFCeStarter::TVelmoraNFCeStarter(TComponent* AOwner) : TService(AOwner) {
  // The definition, in its recorded order, through the property writers.
  SetName(L"VelmoraNFCeStarter");
  SetAllowPause(false);
  TDependency* postgres = Dependencies()->Add();
  postgres->SetName(L"postgresql-9.4");
  postgres->SetIsGroup(false);
  SetDisplayName(L"Velmora NFC-e Starter");
  SetOnExecute([this](TService* Sender) { ServiceExecute(Sender); });
}

platform::HandlerFunction TVelmoraNFCeStarter::GetServiceController() {
  return &ServiceControlHandler;
}

std::wstring TVelmoraNFCeStarter::GetPastaExecutavel() const {
  // The whole module path, however long: a folder cut at a fixed buffer size
  // would launch a file from the wrong place.
  return platform::FolderOf(platform::ModuleFileName());
}

void TVelmoraNFCeStarter::ServiceExecute(TService* /*Sender*/) {
  const std::wstring pasta = GetPastaExecutavel();
  const std::wstring caminho = pasta + kArquivoAPI;
  GetLog()->Info(this, kTextoExecutando + caminho);
  try {
    // Not a file: the shell's own answer for a missing one, file not found (2).
    const std::intptr_t retorno =
        ExisteENaoEArquivo(caminho)
            ? static_cast<std::intptr_t>(platform::error::FileNotFound)
            : platform::ShellExecute(0, std::nullopt, caminho, std::wstring(), std::wstring(),
                                     platform::shell::ShowHide);
    // A refused launch must not look like a clean run to the service manager:
    // the shell's code becomes the service-specific exit code (0 from the shell
    // means it ran out of memory).
    if (retorno <= platform::shell::LastErrorResult)
      SetErrCode(retorno == 0 ? platform::error::NotEnoughMemory
                              : static_cast<std::uint32_t>(retorno));
    GetLog()->Info(this, kTextoRetorno + std::to_wstring(static_cast<std::int32_t>(retorno)));
  } catch (const Exception& E) {
    SetWin32ErrCode(platform::error::ExceptionInService);
    GetLog()->Info(this, kTextoErro + E.Message());
  }
  VerificaPermissoes(pasta);
}

void TVelmoraNFCeStarter::VerificaPermissoes(const std::wstring& pPasta) {
  try {
    const TWriteAccess acesso = CheckWriteAccess(pPasta, kArquivoAPI);
    for (const std::wstring& falha : acesso.Unread)
      GetLog()->Alerta(this, kTextoSemPermissoes + falha);
    if (acesso.Accounts.empty()) return;
    const std::wstring aviso = WriteAccessWarning(pPasta, kArquivoAPI, acesso.Accounts);
    GetLog()->Alerta(this, aviso);
    LogMessage(aviso, platform::eventlog::Warning);
  } catch (const Exception& E) {
    // The emitter is running already; a failed check must not fail the start.
    GetLog()->Alerta(this, kTextoSemPermissoes + E.Message());
  }
}

std::wstring TVelmoraNFCeStarter::InstallWarning() {
  const std::wstring pasta = GetPastaExecutavel();
  const TWriteAccess acesso = CheckWriteAccess(pasta, kArquivoAPI);
  std::wstring texto;
  if (!acesso.Accounts.empty()) texto = WriteAccessWarning(pasta, kArquivoAPI, acesso.Accounts);
  for (const std::wstring& falha : acesso.Unread)
    texto += std::wstring(texto.empty() ? L"" : L"\r\n") + kTextoSemPermissoes + falha;
  return texto;
}
