#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "util/GlobalVAR.h"

namespace {

static_assert(std::tuple_size<decltype(vCodigoUF)>::value == 27);
static_assert(std::tuple_size<decltype(vSiglaUF)>::value == 27);
static_assert(std::tuple_size<decltype(vExtensoDezena)>::value == 9);
static_assert(std::tuple_size<decltype(vFaixaPrefixoGTIN)>::value == 127);

std::string SiglaDoCodigo(const std::string& codigo) {
  for (std::size_t i = 0; i < vCodigoUF.size(); ++i)
    if (vCodigoUF[i] == codigo) return vSiglaUF[i];
  return "";
}

// The records that cover a prefix.
std::vector<const TRangePrefixGTIN*> Cobrem(int prefixo) {
  std::vector<const TRangePrefixGTIN*> out;
  for (const TRangePrefixGTIN& r : vFaixaPrefixoGTIN)
    if (r.fxPrefixIni <= prefixo && prefixo <= r.fxPrefixFim) out.push_back(&r);
  return out;
}

}  // namespace

TEST(GlobalVAR, Pesquisa) { EXPECT_EQ(vPesquisa, "Pesquisa"); }

TEST(GlobalVAR, UFCodesAscendPairedWithTheirAbbreviations) {
  EXPECT_TRUE(std::is_sorted(vCodigoUF.begin(), vCodigoUF.end()));
  EXPECT_EQ(std::set<std::string>(vCodigoUF.begin(), vCodigoUF.end()).size(), 27u);
  EXPECT_EQ(std::set<std::string>(vSiglaUF.begin(), vSiglaUF.end()).size(), 27u);
  for (std::size_t i = 0; i < 27; ++i) {
    ASSERT_EQ(vCodigoUF[i].size(), 2u);
    ASSERT_EQ(vSiglaUF[i].size(), 2u);
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(vCodigoUF[i][0])) &&
                std::isdigit(static_cast<unsigned char>(vCodigoUF[i][1])));
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(vSiglaUF[i][0])) &&
                std::isupper(static_cast<unsigned char>(vSiglaUF[i][1])));
  }
  const std::vector<std::pair<std::string, std::string>> pares{
      {"11", "RO"}, {"12", "AC"}, {"13", "AM"}, {"14", "RR"}, {"15", "PA"}, {"16", "AP"},
      {"17", "TO"}, {"21", "MA"}, {"22", "PI"}, {"23", "CE"}, {"24", "RN"}, {"25", "PB"},
      {"26", "PE"}, {"27", "AL"}, {"28", "SE"}, {"29", "BA"}, {"31", "MG"}, {"32", "ES"},
      {"33", "RJ"}, {"35", "SP"}, {"41", "PR"}, {"42", "SC"}, {"43", "RS"}, {"50", "MS"},
      {"51", "MT"}, {"52", "GO"}, {"53", "DF"}};
  for (const auto& [codigo, sigla] : pares) EXPECT_EQ(SiglaDoCodigo(codigo), sigla) << codigo;
}

TEST(GlobalVAR, NumberWordsInAscendingOrder) {
  using W = std::array<std::wstring, 9>;
  EXPECT_EQ(vExtensoUnidade, (W{L"um", L"dois", L"tr\u00eas", L"quatro", L"cinco", L"seis", L"sete",
                                L"oito", L"nove"}));
  EXPECT_EQ(vExtensoOnzeADezenove, (W{L"onze", L"doze", L"treze", L"quatorze", L"quinze",
                                      L"dezesseis", L"dezessete", L"dezoito", L"dezenove"}));
  EXPECT_EQ(vExtensoDezena, (W{L"dez", L"vinte", L"trinta", L"quarenta", L"cinq\u00fcenta",
                               L"sessenta", L"setenta", L"oitenta", L"noventa"}));
  EXPECT_EQ(vExtensoCentena, (W{L"cento", L"duzentos", L"trezentos", L"quatrocentos", L"quinhentos",
                                L"seiscentos", L"setecentos", L"oitocentos", L"novecentos"}));
  // The accented letters are single UTF-16 units, not two bytes of UTF-8.
  EXPECT_EQ(vExtensoUnidade[2].size(), 4u);
  EXPECT_EQ(vExtensoDezena[4].size(), 9u);
}

TEST(GlobalVAR, GTINRangesAscendExceptTheSecondJapanRange) {
  const auto& t = vFaixaPrefixoGTIN;
  EXPECT_EQ(t.front().fxPrefixIni, 0);
  EXPECT_EQ(t.back().fxPrefixFim, 999);
  std::size_t japao = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_LE(t[i].fxPrefixIni, t[i].fxPrefixFim);
    EXPECT_TRUE(t[i].indEsp == 0 || t[i].indEsp == 1);
    EXPECT_FALSE(t[i].fxPaisNome.empty());
    if (t[i].fxPrefixIni == 490) {
      japao = i;
    } else if (i > 0 && t[i - 1].fxPrefixIni != 490) {
      EXPECT_LT(t[i - 1].fxPrefixFim, t[i].fxPrefixIni);
    }
  }
  ASSERT_GT(japao, 0u);
  EXPECT_EQ(t[japao - 1].fxPrefixIni, 450);
  EXPECT_EQ(t[japao - 1].fxPaisNome, L"GS1 Japan");
  EXPECT_EQ(t[japao].fxPrefixFim, 499);
  EXPECT_EQ(t[japao].fxPaisNome, L"GS1 Japan");
  EXPECT_EQ(t[japao + 1].fxPrefixIni, 460);
  EXPECT_EQ(t[japao + 1].fxPaisNome, L"GS1 Russia");
}

TEST(GlobalVAR, GTINRangesDoNotOverlapAndLeaveTheGaps) {
  for (int p = 0; p <= 999; ++p) EXPECT_LE(Cobrem(p).size(), 1u) << p;
  for (int p : {140, 150, 199, 390, 399, 650, 689, 381, 441, 449, 510, 970})
    EXPECT_TRUE(Cobrem(p).empty()) << p;
}

TEST(GlobalVAR, GTINSpecialUseRecordsAreExactlyTheTwelve) {
  std::set<std::pair<int, int>> especiais;
  for (const TRangePrefixGTIN& r : vFaixaPrefixoGTIN)
    if (r.indEsp == 1) especiais.insert({r.fxPrefixIni, r.fxPrefixFim});
  const std::set<std::pair<int, int>> esperado{{20, 29},   {40, 49},   {50, 59},   {200, 299},
                                               {950, 950}, {951, 951}, {960, 969}, {977, 977},
                                               {978, 979}, {980, 980}, {981, 984}, {990, 999}};
  EXPECT_EQ(especiais, esperado);
}

TEST(GlobalVAR, GTINLabelsAreTakenExactly) {
  struct Caso {
    int prefixo;
    const wchar_t* nome;
    int indEsp;
  };
  const Caso casos[] = {
      {789, L"GS1 Brasil", 0},
      {790, L"GS1 Brasil", 0},
      {977, L"Serial publications (ISSN)", 1},
      {25, L"N\u00fameros de circula\u00e7\u00e3o restrita dentro da regi\u00e3o", 1},
      {250, L"GS1 N\u00fameros de circula\u00e7\u00e3o restrita dentro da regi\u00e3o", 1},
      {45, L"GS1 N\u00fameros de circula\u00e7\u00e3o restrita dentro da empresa", 1},
      {951, L"Numeracao para EPC Tag Data Standard", 1},
      {487, L"GS1 Kazakstan", 0},
      {746, L"GS1 Republica Dominicana", 0},
      {765, L"GS1 Schweiz; Suisse; Svizzera", 0},
      {545, L"GS1 Belgium & Luxembourg", 0},
      {100, L"GS1 US", 0},
      {440, L"GS1 Germany", 0},
      {995, L"GS1 Coupon identification", 1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.prefixo);
    const auto r = Cobrem(c.prefixo);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0]->fxPaisNome, c.nome);
    EXPECT_EQ(r[0]->indEsp, c.indEsp);
  }
}
