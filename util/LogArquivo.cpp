#include "util/LogArquivo.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>

#include "platform/Clock.h"
#include "platform/Com.h"
#include "platform/EventLog.h"
#include "platform/LogFile.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/Thread.h"
#include "util/Funcoes.h"

namespace {

constexpr int kTentativas = 16;
constexpr std::size_t kLarguraFonte = 32;

struct TData {
  std::uint16_t Ano = 0, Mes = 0, Dia = 0;
  bool operator==(const TData& o) const { return Ano == o.Ano && Mes == o.Mes && Dia == o.Dia; }
  bool operator!=(const TData& o) const { return !(*this == o); }
};

TData Hoje() {
  const platform::LocalTime agora = platform::LocalNow();
  return TData{agora.Year, agora.Month, agora.Day};
}

std::wstring Digitos(unsigned valor, std::size_t largura) {
  std::wstring texto = std::to_wstring(valor);
  if (texto.size() < largura) texto.insert(0, largura - texto.size(), L'0');
  return texto;
}

// The executable's file name less its extension.
std::wstring PrefixoPadrao(const std::wstring& pArquivo) {
  return platform::WithoutExtension(platform::FileNameOf(pArquivo));
}

std::wstring MontaNomeArquivo(const std::wstring& pPasta, const std::wstring& pPrefixo,
                              const TData& pDia) {
  return pPasta + L"Log" + pPrefixo + Digitos(pDia.Ano, 4) + Digitos(pDia.Mes, 2) +
         Digitos(pDia.Dia, 2) + L".txt";
}

// The writers' turns, in the order their entries were logged. A writer waits
// until every writer queued ahead of it has written or given up, and keeps its
// turn through its retries: a writer that wakes first cannot overtake one that
// is pausing, so the lines of a process reach the file, or the event log, in
// the order they were logged. Never destroyed: detached writers may still run
// while the process exits.
class TVezes {
public:
  // Numbers an entry and starts its writer in one step, so that every number
  // handed out has a writer to pass its turn on; false (the number stays
  // free) when start fails.
  template <typename Inicia>
  bool Enfileira(Inicia pInicia) {
    std::lock_guard<std::mutex> lock(vTravaFila);
    if (!pInicia(vProxima)) return false;
    ++vProxima;
    return true;
  }

  void Aguarda(std::uint64_t pVez) {
    std::unique_lock<std::mutex> lock(vTrava);
    Chamada(pVez).wait(lock, [&] { return vAtual == pVez; });
  }

  void Passa(std::uint64_t pVez) {
    std::lock_guard<std::mutex> lock(vTrava);
    vAtual = pVez + 1;
    Chamada(vAtual).notify_all();
  }

private:
  // A burst queues many writers: each turn wakes the few that share its call,
  // not every one that waits.
  static constexpr std::size_t kChamadas = 64;
  std::condition_variable& Chamada(std::uint64_t pVez) { return vChamadas[pVez % kChamadas]; }

  std::mutex vTravaFila;
  std::uint64_t vProxima = 0;  // the number of the next entry logged
  std::mutex vTrava;
  std::uint64_t vAtual = 0;  // the number of the writer whose turn it is
  std::condition_variable vChamadas[kChamadas];
};

TVezes& Vezes() {
  static auto* vezes = new TVezes();
  return *vezes;
}

// Holds a writer's turn from its wait to its end, whatever happens between.
class TMinhaVez {
public:
  explicit TMinhaVez(std::uint64_t pVez) : vVez(pVez) { Vezes().Aguarda(vVez); }
  ~TMinhaVez() { Vezes().Passa(vVez); }
  TMinhaVez(const TMinhaVez&) = delete;
  TMinhaVez& operator=(const TMinhaVez&) = delete;

private:
  std::uint64_t vVez;
};

// A whole number of milliseconds from 1 to 16, from one generator for the process.
std::uint32_t PausaAleatoria() {
  static auto* trava = new std::mutex();
  static auto* gerador = new std::mt19937(static_cast<std::uint32_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  std::uniform_int_distribution<std::uint32_t> pausa(1, 16);
  std::lock_guard<std::mutex> lock(*trava);
  return pausa(*gerador);
}

std::atomic<std::size_t> gEscritoresAtivos{0};
std::atomic<std::size_t> gAberturasRecusadas{0};
std::atomic<std::size_t> gEntradasDesviadas{0};

}  // namespace

struct TLogArquivo::TEstadoLog {
  std::mutex vTrava;  // the day comparison and the rebuild of the name are one step
  std::wstring vNomeArquivoLog;
  TData vDataLog;
  std::wstring vPrefixoLog;
  std::wstring vPastaLog;
  std::wstring vFonteEventos;  // event source of the lines that miss the file
  // A file whose end may hold the part of a line that could not be cut off;
  // read and written only by the writer whose turn it is.
  std::wstring vArquivoPartido;
  std::atomic<bool> vLogAtivo{true};

  std::wstring NomeLog() {
    std::lock_guard<std::mutex> lock(vTrava);
    const TData hoje = Hoje();
    if (hoje != vDataLog) {
      vDataLog = hoje;
      vNomeArquivoLog = MontaNomeArquivo(vPastaLog, vPrefixoLog, vDataLog);
    }
    return vNomeArquivoLog;
  }
};

namespace {

struct TEntrada {
  std::shared_ptr<TLogArquivo::TEstadoLog> Estado;
  std::uint64_t Vez = 0;  // the writer's place in the turns
  std::wstring Tag;
  std::wstring Rotulo;  // level label
  std::wstring Fonte;   // source field, already padded
  std::wstring Texto;
};

// Timestamp "yyyy-mm-dd hh:nn:ss", taken while the file is held so that the
// timestamps of a file follow the order of its lines.
std::wstring CarimboAgora() {
  const platform::LocalTime t = platform::LocalNow();
  const std::wstring sep = platform::TimeSeparator();
  return Digitos(t.Year, 4) + L"-" + Digitos(t.Month, 2) + L"-" + Digitos(t.Day, 2) + L" " +
         Digitos(t.Hour, 2) + sep + Digitos(t.Minute, 2) + sep + Digitos(t.Second, 2);
}

// A line that cannot reach the file is not lost without a trace: it goes to the
// event log as a warning under the executable's file name, as it would have
// stood in the file, with the file and the system's error code.
// When part of the line stayed in the file and could not be cut off, the entry
// says so too.
void RegistraNoEventLog(const TEntrada& pEntrada, const std::wstring& pLinha,
                        const std::wstring& pArquivo, std::uint32_t pErro,
                        std::uint32_t pErroCorte) {
  std::wstring texto = pLinha + L"\r\n" + L"Linha n\u00E3o gravada em " + pArquivo + L": erro " +
                       std::to_wstring(pErro) + L" (" + SystemErrorText(pErro) + L").";
  if (pErroCorte != platform::error::Success)
    texto += L" A parte j\u00E1 gravada n\u00E3o p\u00F4de ser cortada do arquivo: erro " +
             std::to_wstring(pErroCorte) + L" (" + SystemErrorText(pErroCorte) + L").";
  const platform::EventSourceHandle fonte =
      platform::RegisterEventSource(pEntrada.Estado->vFonteEventos);
  if (!fonte) return;
  platform::ReportEvent(fonte, platform::eventlog::Warning, platform::eventlog::NoCategory,
                        platform::eventlog::NoEventId, texto.c_str());
}

// One writer's turn: the open attempts, the write, and the event log when the
// line cannot reach the file.
void GravaNaVez(const TEntrada& pEntrada, const std::wstring& pCauda,
                const std::string& pCaudaAnsi) {
  TLogArquivo::TEstadoLog& estado = *pEntrada.Estado;
  std::wstring carimbo, arquivo;
  std::uint32_t erro = platform::error::Success, erroCorte = platform::error::Success;
  bool gravada = false;
  for (int tentativa = 0; tentativa < kTentativas; ++tentativa) {
    arquivo = estado.NomeLog();
    std::unique_ptr<platform::LogFile> aberto = platform::LogFile::OpenExclusive(arquivo);
    // The time stamp of the open, so the stamps of a file follow its lines.
    carimbo = CarimboAgora();
    if (aberto) {
      // After a fragment that could not be cut off, this line starts on its own.
      const bool partido = estado.vArquivoPartido == arquivo;
      gravada = aberto->Write((partido ? "\r\n" : "") + platform::ToAnsi(carimbo) + pCaudaAnsi);
      if (gravada) {
        if (partido) estado.vArquivoPartido.clear();
      } else {
        erro = platform::LastError();
        // A full FAT volume or a share may keep the part that fitted: it is cut
        // off, so the file holds whole lines only.
        if (!aberto->CutTo(aberto->SizeAtOpen())) {
          erroCorte = platform::LastError();
          estado.vArquivoPartido = arquivo;
        }
      }
      break;  // a failed write is not retried: the line goes to the event log
    }
    erro = platform::LastError();
    gAberturasRecusadas.fetch_add(1);
    platform::SleepMs(PausaAleatoria());
  }
  if (!gravada) {
    gEntradasDesviadas.fetch_add(1);
    RegistraNoEventLog(pEntrada, carimbo + pCauda, arquivo, erro, erroCorte);
  }
}

void ExecutaEscritor(const TEntrada& pEntrada) {
  platform::ComInitialize();
  // All but the timestamp is ready before the turn, which then lasts only the
  // opens, one write and a close. The thread field is this writer's own id.
  std::wstring cauda;
  std::string caudaAnsi;
  bool pronta = false;
  try {
    cauda = CaudaLinhaLog(pEntrada.Tag, platform::CurrentThreadId(), pEntrada.Rotulo,
                          pEntrada.Fonte, pEntrada.Texto);
    caudaAnsi = platform::ToAnsi(cauda) + "\r\n";
    pronta = true;
  } catch (...) {
    // Out of memory or the like: the entry is lost, but its turn still passes.
  }
  {
    // Held through the pauses too: the writers queued behind wait, in order.
    const TMinhaVez vez(pEntrada.Vez);
    try {
      if (pronta) GravaNaVez(pEntrada, cauda, caudaAnsi);
    } catch (...) {
      // Nothing is left to report it with.
    }
  }
  platform::ComUninitialize();
}

}  // namespace

TLogArquivo::TLogArquivo(const std::wstring& pPrefixoLog)
    : FEstado(std::make_shared<TEstadoLog>()) {
  const std::wstring modulo = platform::ModuleFileName();
  FEstado->vPrefixoLog = pPrefixoLog.empty() ? PrefixoPadrao(modulo) : pPrefixoLog;
  FEstado->vPastaLog = platform::FolderOf(modulo) + L"log\\";
  FEstado->vFonteEventos = platform::FileNameOf(modulo);
  FEstado->vDataLog = Hoje();
  FEstado->vNomeArquivoLog =
      MontaNomeArquivo(FEstado->vPastaLog, FEstado->vPrefixoLog, FEstado->vDataLog);
  // Not examined: without a folder the logger still works and its entries fail at their opens.
  platform::ForceDirectories(FEstado->vPastaLog);
}

TLogArquivo::~TLogArquivo() {
  try {
    Info(this, L"**** Log finalizado ****");
  } catch (...) {
    // Without a thread for it, the closing entry is lost like any other.
  }
}

void TLogArquivo::Debug(const TObject* pObj, const std::wstring& pTexto) {
  EscreveLog(pObj, TTipoLog::Debug, pTexto);
}
void TLogArquivo::Info(const TObject* pObj, const std::wstring& pTexto) {
  EscreveLog(pObj, TTipoLog::Info, pTexto);
}
void TLogArquivo::Alerta(const TObject* pObj, const std::wstring& pTexto) {
  EscreveLog(pObj, TTipoLog::Alerta, pTexto);
}
void TLogArquivo::Erro(const TObject* pObj, const std::wstring& pTexto) {
  EscreveLog(pObj, TTipoLog::Erro, pTexto);
}

void TLogArquivo::AlertaExcecao(const TObject* pObj, const Exception& E) {
  Alerta(pObj, L"Exce\u00E7\u00E3o " + E.ClassName() + L": " + E.Message());
}

void TLogArquivo::ErroExcecao(const TObject* pObj, const Exception& E) {
  Erro(pObj, L"Exce\u00E7\u00E3o " + E.ClassName() + L": " + E.Message());
}

std::wstring TLogArquivo::NomeLog() const { return FEstado->NomeLog(); }

bool TLogArquivo::LogAtivo() const { return FEstado->vLogAtivo.load(std::memory_order_relaxed); }

void TLogArquivo::SetLogAtivo(bool Value) {
  FEstado->vLogAtivo.store(Value, std::memory_order_relaxed);
}

void TLogArquivo::EscreveLog(const TObject* pObj, TTipoLog pTipo, const std::wstring& pTexto) {
  if (!LogAtivo()) return;

  auto entrada = std::make_shared<TEntrada>();
  entrada->Estado = FEstado;
  // The tag is read here, not by the writer: a writer may outlive the statics at exit.
  entrada->Tag = vTagLog;
  entrada->Rotulo = TextoTipoLog(pTipo);
  entrada->Fonte = FonteLog(pObj);
  entrada->Texto = pTexto;

  std::wstring erro;
  const bool iniciado = Vezes().Enfileira([&](std::uint64_t pVez) {
    entrada->Vez = pVez;
    gEscritoresAtivos.fetch_add(1);
    if (platform::StartDetachedThread(
            [entrada]() mutable {
              ExecutaEscritor(*entrada);
              entrada.reset();
              gEscritoresAtivos.fetch_sub(1);
            },
            erro))
      return true;
    gEscritoresAtivos.fetch_sub(1);
    return false;
  });
  if (!iniciado) throw EThread(L"Thread creation error: " + erro);
}

namespace {

std::mutex& TravaGetLog() {
  static auto* trava = new std::mutex();
  return *trava;
}

std::atomic<TLogArquivo*> gLog{nullptr};

// The unit's shutdown at process exit.
struct TFinalizacao {
  ~TFinalizacao() { ReleaseLog(); }
};

}  // namespace

TLogArquivo* GetLog() {
  TLogArquivo* log = gLog.load(std::memory_order_acquire);
  if (log) return log;
  std::lock_guard<std::mutex> lock(TravaGetLog());
  log = gLog.load(std::memory_order_acquire);
  if (!log) {
    static TFinalizacao finalizacao;
    log = new TLogArquivo();
    gLog.store(log, std::memory_order_release);
  }
  return log;
}

void ReleaseLog() {
  TLogArquivo* log = nullptr;
  {
    std::lock_guard<std::mutex> lock(TravaGetLog());
    log = gLog.exchange(nullptr, std::memory_order_acq_rel);
  }
  delete log;
}

std::wstring FonteLog(const TObject* pObj) {
  if (!pObj) return L"*";
  std::wstring fonte = pObj->ClassName();
  if (fonte.size() < kLarguraFonte) fonte.append(kLarguraFonte - fonte.size(), L' ');
  return fonte;
}

std::wstring CaudaLinhaLog(const std::wstring& pTag, std::uint32_t pThread,
                           const std::wstring& pRotulo, const std::wstring& pFonte,
                           const std::wstring& pTexto) {
  return L" " + pTag + L" " + platform::Hex(pThread, 8) + L" " + pRotulo + L" : [" + pFonte +
         L"] " + pTexto;
}

std::size_t LogWritersRunning() { return gEscritoresAtivos.load(); }

std::size_t LogOpensRefused() { return gAberturasRecusadas.load(); }

std::size_t LogEntriesToEventLog() { return gEntradasDesviadas.load(); }
