#include "app/VigiaAPI.h"

#include <algorithm>
#include <initializer_list>

std::uint32_t TAtrasoReexecucao::Proximo(std::uint64_t pDuracaoMs) {
  if (FAtrasoMs == 0 || pDuracaoMs >= kExecucaoLongaMs)
    FAtrasoMs = kPrimeiroMs;
  else
    FAtrasoMs = std::min(FAtrasoMs * 2, kMaximoMs);
  return FAtrasoMs;
}

bool TLimiteAvisos::Permite(std::uint64_t pAgoraMs, std::uint32_t pAtrasoMs) {
  if (pAtrasoMs >= TAtrasoReexecucao::kMaximoMs) {
    if (FNoMaximo && pAgoraMs - FUltimoMs < kIntervaloMs) {
      ++FRetidos;
      return false;
    }
    FNoMaximo = true;
    FUltimoMs = pAgoraMs;
  } else {
    // Out of the loop (or not in it yet): the next time the maximum is
    // reached gets its entry at once.
    FNoMaximo = false;
  }
  FOmitidos = FRetidos;
  FRetidos = 0;
  return true;
}

namespace {
std::wstring Segundos(std::uint64_t pMs) { return std::to_wstring(pMs / 1000); }

// The model with each "%N" (N from 1 to 4) replaced by the N-th value: one
// loop for every text instead of a chain of concatenations at each.
std::wstring Preenche(const wchar_t* pModelo, std::initializer_list<std::wstring> pValores) {
  std::wstring texto;
  for (const wchar_t* c = pModelo; *c != 0; ++c) {
    if (c[0] == L'%' && c[1] >= L'1' && c[1] <= L'4' &&
        static_cast<std::size_t>(c[1] - L'1') < pValores.size()) {
      texto += pValores.begin()[c[1] - L'1'];
      ++c;
    } else {
      texto += *c;
    }
  }
  return texto;
}
std::wstring N(std::uint32_t pValor) { return std::to_wstring(pValor); }
}  // namespace

namespace TextoVigia {

std::wstring Ativo() { return L"Modo de acompanhamento ativo (Parameters\\Watch = 1)."; }

std::wstring Adotada(std::uint32_t pProcesso) {
  return Preenche(L"API já em execução (processo %1): acompanhando, sem abrir outra cópia.",
                  {N(pProcesso)});
}

std::wstring Acompanhando(std::uint32_t pProcesso) {
  return Preenche(L"API em execução (processo %1): acompanhando.", {N(pProcesso)});
}

std::wstring CodigoSaida(std::uint32_t pCodigo) {
  std::wstring texto = N(pCodigo);
  if (pCodigo >= 0x80000000u) {
    // By hand: a printf for one number would bring a whole formatting engine along.
    std::wstring hex = L" (0x00000000)";
    for (int i = 0; i < 8; ++i) hex[11 - i] = L"0123456789ABCDEF"[(pCodigo >> (4 * i)) & 0xF];
    texto += hex;
  }
  return texto;
}

std::wstring Encerrada(std::uint32_t pProcesso, std::uint32_t pCodigo, std::uint64_t pDuracaoMs,
                       std::uint32_t pAtrasoMs) {
  return Preenche(
      L"API encerrada (processo %1, código de saída %2, após %3 s). Nova execução em %4 s.",
      {N(pProcesso), CodigoSaida(pCodigo), Segundos(pDuracaoMs), Segundos(pAtrasoMs)});
}

std::wstring Recusada(const std::wstring& pCaminho, std::intptr_t pRetorno,
                      std::uint32_t pAtrasoMs) {
  return Preenche(
      L"API não executada: o Windows recusou %1 (retorno %2). Nova tentativa em %3 s.",
      {pCaminho, std::to_wstring(static_cast<std::int32_t>(pRetorno)), Segundos(pAtrasoMs)});
}

std::wstring Omitidos(std::uint32_t pQuantos) {
  return Preenche(L" (%1 avisos iguais omitidos desde o anterior; o arquivo de log tem todos.)",
                  {N(pQuantos)});
}

std::wstring ParadoComAPI(std::uint32_t pProcesso) {
  return Preenche(
      L"Serviço parado: a API continua em execução (processo %1); o serviço não a encerra.",
      {N(pProcesso)});
}

std::wstring ParadoSemAPI() {
  return L"Serviço parado durante a espera: nenhuma API em execução, nenhuma nova execução.";
}

}  // namespace TextoVigia
