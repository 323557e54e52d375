// Util.Enum: enumerations shared by the maker's programs.
#pragma once

#include <cstdint>
#include <string>

// Levels of a log line.
enum class TTipoLog : std::uint8_t { Debug, Info, Alerta, Erro };

// The six-character label of a level, filled out with blanks on the right;
// "ERRO" for a value outside the four.
std::wstring TextoTipoLog(TTipoLog pTipo);
