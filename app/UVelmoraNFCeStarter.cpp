#include "app/UVelmoraNFCeStarter.h"

#include <optional>

#include "app/VigiaAPI.h"
#include "app/WriteAccess.h"
#include "platform/EventLog.h"
#include "platform/FileAttributes.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "svc/ServiceSettings.h"
#include "svc/ServiceThread.h"
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
  SetDescription(
      L"Inicia a API de NFC-e (divevezodoz.exe, na pasta deste serviço) depois que o "
      L"PostgreSQL 9.4 (serviço postgresql-9.4) estiver em execução. Com o valor Watch = 1 "
      L"em Parameters, acompanha a API e a inicia de novo quando ela fecha; nunca a encerra.");
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
  // Read at every start, so a technician switches modes with `reg add` and a
  // restart of the service.
  if (WatchModeOn(Name())) {
    VigiaAPI(caminho);
  } else {
    ExecutaAPI(caminho, nullptr);
    // The host's own start-up waited for the launch.
    StartUpDone();
    VerificaPermissoes(pasta);
  }
}

std::optional<std::intptr_t> TVelmoraNFCeStarter::ExecutaAPI(const std::wstring& pCaminho,
                                                             platform::ProcessHandle* pProcesso) {
  GetLog()->Info(this, kTextoExecutando + pCaminho);
  try {
    std::intptr_t retorno;
    if (ExisteENaoEArquivo(pCaminho)) {
      // Not a file: the shell's own answer for a missing one, file not found (2).
      retorno = static_cast<std::intptr_t>(platform::error::FileNotFound);
    } else if (pProcesso != nullptr) {
      platform::ShellExecuteResult resultado = platform::ShellExecuteEx(
          pCaminho, std::wstring(), std::wstring(), platform::shell::ShowHide);
      retorno = resultado.InstApp;
      *pProcesso = std::move(resultado.Process);
    } else {
      retorno = platform::ShellExecute(0, std::nullopt, pCaminho, std::wstring(), std::wstring(),
                                       platform::shell::ShowHide);
    }
    // A refused launch must not look like a clean run to the service manager:
    // the shell's code becomes the service-specific exit code (0 from the shell
    // means it ran out of memory). A watching service retries instead.
    if (pProcesso == nullptr && retorno <= platform::shell::LastErrorResult)
      SetErrCode(retorno == 0 ? platform::error::NotEnoughMemory
                              : static_cast<std::uint32_t>(retorno));
    GetLog()->Info(this, kTextoRetorno + std::to_wstring(static_cast<std::int32_t>(retorno)));
    return retorno;
  } catch (const Exception& E) {
    if (pProcesso == nullptr) SetWin32ErrCode(platform::error::ExceptionInService);
    GetLog()->Info(this, kTextoErro + E.Message());
    return std::nullopt;
  }
}

bool TVelmoraNFCeStarter::PararPedido() {
  if (TServiceThread* thread = ServiceThread()) thread->ProcessRequests(false);
  return Terminated();
}

bool TVelmoraNFCeStarter::Espera(std::uint32_t pAtrasoMs) {
  const std::uint64_t fim = platform::TickCount() + pAtrasoMs;
  for (;;) {
    const std::uint64_t agora = platform::TickCount();
    if (agora >= fim) return true;
    switch (platform::WaitForProcessOrMessage(nullptr, static_cast<std::uint32_t>(fim - agora))) {
      case platform::WaitOutcome::Timeout:
        break;  // looked at against the clock above
      case platform::WaitOutcome::Message:
        if (PararPedido()) return false;
        break;
      case platform::WaitOutcome::ProcessEnded:
      case platform::WaitOutcome::Failed:
        RaiseLastOSError();
    }
  }
}

void TVelmoraNFCeStarter::VigiaAPI(const std::wstring& pCaminho) {
  GetLog()->Info(this, TextoVigia::Ativo());
  TAtrasoReexecucao atraso;
  TLimiteAvisos limite;
  bool permissoesVerificadas = false;
  for (;;) {
    // Nothing is launched once a stop has come.
    if (PararPedido()) {
      GetLog()->Info(this, TextoVigia::ParadoSemAPI());
      return;
    }
    platform::ProcessHandle processo;
    std::uint32_t id = 0;
    std::uint64_t inicio = platform::TickCount();
    std::optional<std::intptr_t> retorno;
    // A copy that already runs (started by hand, or left behind by the last
    // one) is watched, never doubled.
    std::optional<platform::FoundProcess> achado = platform::FindProcess(pCaminho);
    if (achado) {
      processo = std::move(achado->Process);
      id = achado->ProcessId;
      inicio = inicio > achado->AgeMs ? inicio - achado->AgeMs : 0;
      GetLog()->Info(this, TextoVigia::Adotada(id));
    } else {
      retorno = ExecutaAPI(pCaminho, &processo);
      // The shell accepted the launch without a process of its own to hand
      // back: whatever runs the file now is found by its image.
      if (!processo && retorno && *retorno > platform::shell::LastErrorResult) {
        achado = platform::FindProcess(pCaminho);
        if (achado) processo = std::move(achado->Process);
      }
      if (processo) {
        id = platform::ProcessId(processo);
        GetLog()->Info(this, TextoVigia::Acompanhando(id));
      }
    }
    // Once a start, after its first launch or adoption, so it never delays
    // the emitter; so does the host's own start-up.
    if (!permissoesVerificadas) {
      StartUpDone();
      VerificaPermissoes(GetPastaExecutavel());
      permissoesVerificadas = true;
    }

    std::wstring texto;
    std::uint32_t atrasoMs;
    if (processo) {
      for (;;) {
        const platform::WaitOutcome fim =
            platform::WaitForProcessOrMessage(&processo, std::nullopt);
        if (fim == platform::WaitOutcome::ProcessEnded) break;
        if (fim != platform::WaitOutcome::Message) RaiseLastOSError();
        if (PararPedido()) {
          // The emitter may be in the middle of a fiscal document: it stays.
          GetLog()->Info(this, TextoVigia::ParadoComAPI(id));
          return;
        }
      }
      std::uint32_t codigo = 0;
      if (!platform::ProcessExitCode(processo, codigo)) codigo = 0;
      const std::uint64_t agora = platform::TickCount();
      const std::uint64_t duracao = agora > inicio ? agora - inicio : 0;
      atrasoMs = atraso.Proximo(duracao);
      texto = TextoVigia::Encerrada(id, codigo, duracao, atrasoMs);
    } else {
      atrasoMs = atraso.Proximo(0);
      texto = TextoVigia::Recusada(pCaminho, retorno.value_or(0), atrasoMs);
    }
    processo.Reset();
    GetLog()->Alerta(this, texto);
    if (limite.Permite(platform::TickCount(), atrasoMs)) {
      if (limite.Omitidos() > 0) texto += TextoVigia::Omitidos(limite.Omitidos());
      LogMessage(texto, platform::eventlog::Warning);
    }
    if (!Espera(atrasoMs)) {
      GetLog()->Info(this, TextoVigia::ParadoSemAPI());
      return;
    }
  }
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
