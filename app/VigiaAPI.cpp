#include "app/VigiaAPI.h"

#include <algorithm>
#include <cstdio>

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
}  // namespace

namespace TextoVigia {

std::wstring Ativo() { return L"Modo de acompanhamento ativo (Parameters\\Watch = 1)."; }

std::wstring Adotada(std::uint32_t pProcesso) {
  return L"API já em execução (processo " + std::to_wstring(pProcesso) +
         L"): acompanhando, sem abrir outra cópia.";
}

std::wstring Acompanhando(std::uint32_t pProcesso) {
  return L"API em execução (processo " + std::to_wstring(pProcesso) + L"): acompanhando.";
}

std::wstring CodigoSaida(std::uint32_t pCodigo) {
  std::wstring texto = std::to_wstring(pCodigo);
  if (pCodigo >= 0x80000000u) {
    wchar_t hex[16];
    std::swprintf(hex, 16, L" (0x%08X)", static_cast<unsigned>(pCodigo));
    texto += hex;
  }
  return texto;
}

std::wstring Encerrada(std::uint32_t pProcesso, std::uint32_t pCodigo, std::uint64_t pDuracaoMs,
                       std::uint32_t pAtrasoMs) {
  return L"API encerrada (processo " + std::to_wstring(pProcesso) + L", código de saída " +
         CodigoSaida(pCodigo) + L", após " + Segundos(pDuracaoMs) + L" s). Nova execução em " +
         Segundos(pAtrasoMs) + L" s.";
}

std::wstring Recusada(const std::wstring& pCaminho, std::intptr_t pRetorno,
                      std::uint32_t pAtrasoMs) {
  return L"API não executada: o Windows recusou " + pCaminho + L" (retorno " +
         std::to_wstring(static_cast<std::int32_t>(pRetorno)) + L"). Nova tentativa em " +
         Segundos(pAtrasoMs) + L" s.";
}

std::wstring Omitidos(std::uint32_t pQuantos) {
  return L" (" + std::to_wstring(pQuantos) +
         L" avisos iguais omitidos desde o anterior; o arquivo de log tem todos.)";
}

std::wstring ParadoComAPI(std::uint32_t pProcesso) {
  return L"Serviço parado: a API continua em execução (processo " + std::to_wstring(pProcesso) +
         L"); o serviço não a encerra.";
}

std::wstring ParadoSemAPI() {
  return L"Serviço parado durante a espera: nenhuma API em execução, nenhuma nova execução.";
}

}  // namespace TextoVigia
