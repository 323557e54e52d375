// The rules of the watch mode that need no operating system: the delay before
// each new launch of the emitter, the limit on event-log entries while it
// keeps failing, and the texts of the watch mode's log lines and entries.
#pragma once

#include <cstdint>
#include <string>

// The delay before the next launch. 1 s after the first end; every end that
// follows a run shorter than 60 s doubles it, up to 60 s; a run of 60 s or
// more brings it back to 1 s. A launch the shell refuses counts as a run of 0.
class TAtrasoReexecucao {
public:
  static constexpr std::uint32_t kPrimeiroMs = 1000;
  static constexpr std::uint32_t kMaximoMs = 60000;
  static constexpr std::uint64_t kExecucaoLongaMs = 60000;

  // The delay after a run of pDuracaoMs that has just ended.
  std::uint32_t Proximo(std::uint64_t pDuracaoMs);

private:
  std::uint32_t FAtrasoMs = 0;  // 0: nothing has ended yet
};

// At most one event-log entry per 10 minutes once the delay has reached its
// maximum: a loop of failures must not flood the event log. Below the maximum
// every end gets its entry. The log file keeps every line either way.
class TLimiteAvisos {
public:
  static constexpr std::uint64_t kIntervaloMs = 10 * 60 * 1000;

  // True when the entry of an end at tick pAgoraMs, followed by a delay of
  // pAtrasoMs, is to be written.
  bool Permite(std::uint64_t pAgoraMs, std::uint32_t pAtrasoMs);
  // Entries held back between the one just permitted and the one before it.
  std::uint32_t Omitidos() const { return FOmitidos; }

private:
  bool FNoMaximo = false;  // an entry was written at the maximum delay
  std::uint64_t FUltimoMs = 0;
  std::uint32_t FRetidos = 0;
  std::uint32_t FOmitidos = 0;
};

// Texts of the watch mode (log lines at the level their caller chooses, and
// event-log warnings).
namespace TextoVigia {
// "Modo de acompanhamento ativo (Parameters\Watch = 1)."
std::wstring Ativo();
// "API já em execução (processo N): acompanhando, sem abrir outra cópia."
std::wstring Adotada(std::uint32_t pProcesso);
// "API em execução (processo N): acompanhando."
std::wstring Acompanhando(std::uint32_t pProcesso);
// "API encerrada (processo N, código de saída C, após S s). Nova execução em D s."
std::wstring Encerrada(std::uint32_t pProcesso, std::uint32_t pCodigo, std::uint64_t pDuracaoMs,
                       std::uint32_t pAtrasoMs);
// "API não executada: o Windows recusou <caminho> (retorno R). Nova tentativa em D s."
std::wstring Recusada(const std::wstring& pCaminho, std::intptr_t pRetorno,
                      std::uint32_t pAtrasoMs);
// Added to an entry written after others were held back.
std::wstring Omitidos(std::uint32_t pQuantos);
// "Serviço parado: a API continua em execução (processo N); o serviço não a encerra."
std::wstring ParadoComAPI(std::uint32_t pProcesso);
// "Serviço parado durante a espera: nenhuma API em execução, nenhuma nova execução."
std::wstring ParadoSemAPI();
// An exit code as a number, with its hexadecimal form when it is an NTSTATUS
// such as 3221225477 (0xC0000005).
std::wstring CodigoSaida(std::uint32_t pCodigo);
}  // namespace TextoVigia
