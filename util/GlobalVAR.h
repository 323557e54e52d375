// Program-wide reference tables shared with the maker's other programs: UF codes
// and abbreviations, number words and GS1 prefix ranges. Fixed at build time and
// never written, so any thread may read them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// One GS1 prefix range (first three digits of a GTIN-13, 0..999), both ends
// inclusive; indEsp is 1 for a special use rather than a country's numbering.
struct TRangePrefixGTIN {
  std::int32_t fxPrefixIni;
  std::int32_t fxPrefixFim;
  std::int32_t indEsp;
  std::wstring fxPaisNome;
};

extern const std::string vPesquisa;

// 8-bit strings in Windows-1252; vSiglaUF[i] is the unit whose IBGE code is vCodigoUF[i].
extern const std::array<std::string, 27> vCodigoUF;
extern const std::array<std::string, 27> vSiglaUF;

// Number words in ascending order of value: 1..9, 11..19, 10..90, 100..900.
extern const std::array<std::wstring, 9> vExtensoUnidade;
extern const std::array<std::wstring, 9> vExtensoOnzeADezenove;
extern const std::array<std::wstring, 9> vExtensoDezena;
extern const std::array<std::wstring, 9> vExtensoCentena;

// Ascending by fxPrefixIni, except that the second Japan range (490-499) follows
// the first one (450-459).
extern const std::array<TRangePrefixGTIN, 127> vFaixaPrefixoGTIN;
