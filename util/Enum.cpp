#include "util/Enum.h"

std::wstring TextoTipoLog(TTipoLog pTipo) {
  switch (pTipo) {
    case TTipoLog::Debug:
      return L"DEBUG ";
    case TTipoLog::Info:
      return L"INFO  ";
    case TTipoLog::Alerta:
      return L"ALERTA";
    case TTipoLog::Erro:
      return L"ERRO  ";
  }
  return L"ERRO";
}
