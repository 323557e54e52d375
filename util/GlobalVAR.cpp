#include "util/GlobalVAR.h"

#include <cstddef>
#include <iterator>

namespace {

// The array's size is taken from the entries, so a table with an entry too many
// or too few does not compile against its declared size.
template <class T, class... Items>
std::array<T, sizeof...(Items)> Table(const Items&... items) {
  return {{T(items)...}};
}

struct TFaixaFonte {
  std::int32_t Ini;
  std::int32_t Fim;
  std::int32_t Esp;
  const wchar_t* Nome;
};

// Non-ASCII letters as escapes keep this file plain ASCII.
constexpr TFaixaFonte kFaixas[] = {
    {0, 19, 0, L"GS1 US"},
    {20, 29, 1, L"N\u00fameros de circula\u00e7\u00e3o restrita dentro da regi\u00e3o"},
    {30, 39, 0, L"GS1 US"},
    {40, 49, 1, L"GS1 N\u00fameros de circula\u00e7\u00e3o restrita dentro da empresa"},
    {50, 59, 1, L"GS1 US reserved for future use"},
    {60, 139, 0, L"GS1 US"},
    {200, 299, 1, L"GS1 N\u00fameros de circula\u00e7\u00e3o restrita dentro da regi\u00e3o"},
    {300, 379, 0, L"GS1 France"},
    {380, 380, 0, L"GS1 Bulgaria"},
    {383, 383, 0, L"GS1 Slovenija"},
    {385, 385, 0, L"GS1 Croatia"},
    {387, 387, 0, L"GS1 BIH (Bosnia-Herzegovina)"},
    {389, 389, 0, L"GS1 Montenegro"},
    {400, 440, 0, L"GS1 Germany"},
    {450, 459, 0, L"GS1 Japan"},
    {490, 499, 0, L"GS1 Japan"},
    {460, 469, 0, L"GS1 Russia"},
    {470, 470, 0, L"GS1 Kyrgyzstan"},
    {471, 471, 0, L"GS1 Taiwan"},
    {474, 474, 0, L"GS1 Estonia"},
    {475, 475, 0, L"GS1 Latvia"},
    {476, 476, 0, L"GS1 Azerbaijan"},
    {477, 477, 0, L"GS1 Lithuania"},
    {478, 478, 0, L"GS1 Uzbekistan"},
    {479, 479, 0, L"GS1 Sri Lanka"},
    {480, 480, 0, L"GS1 Philippines"},
    {481, 481, 0, L"GS1 Belarus"},
    {482, 482, 0, L"GS1 Ukraine"},
    {483, 483, 0, L"GS1 Turkmenistan"},
    {484, 484, 0, L"GS1 Moldova"},
    {485, 485, 0, L"GS1 Armenia"},
    {486, 486, 0, L"GS1 Georgia"},
    {487, 487, 0, L"GS1 Kazakstan"},
    {488, 488, 0, L"GS1 Tajikistan"},
    {489, 489, 0, L"GS1 Hong Kong"},
    {500, 509, 0, L"GS1 UK"},
    {520, 521, 0, L"GS1 Association Greece"},
    {528, 528, 0, L"GS1 Lebanon"},
    {529, 529, 0, L"GS1 Cyprus"},
    {530, 530, 0, L"GS1 Albania"},
    {531, 531, 0, L"GS1 Macedonia"},
    {535, 535, 0, L"GS1 Malta"},
    {539, 539, 0, L"GS1 Ireland"},
    {540, 549, 0, L"GS1 Belgium & Luxembourg"},
    {560, 560, 0, L"GS1 Portugal"},
    {569, 569, 0, L"GS1 Iceland"},
    {570, 579, 0, L"GS1 Denmark"},
    {590, 590, 0, L"GS1 Poland"},
    {594, 594, 0, L"GS1 Romania"},
    {599, 599, 0, L"GS1 Hungary"},
    {600, 601, 0, L"GS1 South Africa"},
    {603, 603, 0, L"GS1 Ghana"},
    {604, 604, 0, L"GS1 Senegal"},
    {608, 608, 0, L"GS1 Bahrain"},
    {609, 609, 0, L"GS1 Mauritius"},
    {611, 611, 0, L"GS1 Morocco"},
    {613, 613, 0, L"GS1 Algeria"},
    {615, 615, 0, L"GS1 Nigeria"},
    {616, 616, 0, L"GS1 Kenya"},
    {618, 618, 0, L"GS1 Ivory Coast"},
    {619, 619, 0, L"GS1 Tunisia"},
    {620, 620, 0, L"GS1 Tanzania"},
    {621, 621, 0, L"GS1 Syria"},
    {622, 622, 0, L"GS1 Egypt"},
    {623, 623, 0, L"GS1 Brunei"},
    {624, 624, 0, L"GS1 Libya"},
    {625, 625, 0, L"GS1 Jordan"},
    {626, 626, 0, L"GS1 Iran"},
    {627, 627, 0, L"GS1 Kuwait"},
    {628, 628, 0, L"GS1 Saudi Arabia"},
    {629, 629, 0, L"GS1 Emirates"},
    {640, 649, 0, L"GS1 Finland"},
    {690, 699, 0, L"GS1 China"},
    {700, 709, 0, L"GS1 Norway"},
    {729, 729, 0, L"GS1 Israel"},
    {730, 739, 0, L"GS1 Sweden"},
    {740, 740, 0, L"GS1 Guatemala"},
    {741, 741, 0, L"GS1 El Salvador"},
    {742, 742, 0, L"GS1 Honduras"},
    {743, 743, 0, L"GS1 Nicaragua"},
    {744, 744, 0, L"GS1 Costa Rica"},
    {745, 745, 0, L"GS1 Panama"},
    {746, 746, 0, L"GS1 Republica Dominicana"},
    {750, 750, 0, L"GS1 Mexico"},
    {754, 755, 0, L"GS1 Canada"},
    {759, 759, 0, L"GS1 Venezuela"},
    {760, 769, 0, L"GS1 Schweiz; Suisse; Svizzera"},
    {770, 771, 0, L"GS1 Colombia"},
    {773, 773, 0, L"GS1 Uruguay"},
    {775, 775, 0, L"GS1 Peru"},
    {777, 777, 0, L"GS1 Bolivia"},
    {778, 779, 0, L"GS1 Argentina"},
    {780, 780, 0, L"GS1 Chile"},
    {784, 784, 0, L"GS1 Paraguay"},
    {786, 786, 0, L"GS1 Ecuador"},
    {789, 790, 0, L"GS1 Brasil"},
    {800, 839, 0, L"GS1 Italy"},
    {840, 849, 0, L"GS1 Spain"},
    {850, 850, 0, L"GS1 Cuba"},
    {858, 858, 0, L"GS1 Slovakia"},
    {859, 859, 0, L"GS1 Czech"},
    {860, 860, 0, L"GS1 Serbia"},
    {865, 865, 0, L"GS1 Mongolia"},
    {867, 867, 0, L"GS1 North Korea"},
    {868, 869, 0, L"GS1 Turkey"},
    {870, 879, 0, L"GS1 Netherlands"},
    {880, 880, 0, L"GS1 South Korea"},
    {884, 884, 0, L"GS1 Cambodia"},
    {885, 885, 0, L"GS1 Thailand"},
    {888, 888, 0, L"GS1 Singapore"},
    {890, 890, 0, L"GS1 India"},
    {893, 893, 0, L"GS1 Vietnam"},
    {896, 896, 0, L"GS1 Pakistan"},
    {899, 899, 0, L"GS1 Indonesia"},
    {900, 919, 0, L"GS1 Austria"},
    {930, 939, 0, L"GS1 Australia"},
    {940, 949, 0, L"GS1 New Zealand"},
    {950, 950, 1, L"GS1 Global Office"},
    {951, 951, 1, L"Numeracao para EPC Tag Data Standard"},
    {955, 955, 0, L"GS1 Malaysia"},
    {958, 958, 0, L"GS1 Macau"},
    {960, 969, 1, L"Global Office (GTIN-8s)"},
    {977, 977, 1, L"Serial publications (ISSN)"},
    {978, 979, 1, L"Bookland (ISBN)"},
    {980, 980, 1, L"Refund receipts"},
    {981, 984, 1, L"GS1 Coupon identification for common currency areas"},
    {990, 999, 1, L"GS1 Coupon identification"},
};

constexpr std::size_t kFaixaCount = std::size(kFaixas);
static_assert(kFaixaCount == std::tuple_size<decltype(vFaixaPrefixoGTIN)>::value,
              "the GS1 table and its declaration disagree on the number of ranges");

std::array<TRangePrefixGTIN, kFaixaCount> BuildFaixas() {
  std::array<TRangePrefixGTIN, kFaixaCount> out;
  for (std::size_t i = 0; i < kFaixaCount; ++i)
    out[i] = TRangePrefixGTIN{kFaixas[i].Ini, kFaixas[i].Fim, kFaixas[i].Esp, kFaixas[i].Nome};
  return out;
}

}  // namespace

const std::string vPesquisa = "Pesquisa";

const std::array<std::string, 27> vCodigoUF = Table<std::string>(
    "11", "12", "13", "14", "15", "16", "17", "21", "22", "23", "24", "25", "26", "27", "28", "29",
    "31", "32", "33", "35", "41", "42", "43", "50", "51", "52", "53");

const std::array<std::string, 27> vSiglaUF = Table<std::string>(
    "RO", "AC", "AM", "RR", "PA", "AP", "TO", "MA", "PI", "CE", "RN", "PB", "PE", "AL", "SE", "BA",
    "MG", "ES", "RJ", "SP", "PR", "SC", "RS", "MS", "MT", "GO", "DF");

const std::array<std::wstring, 9> vExtensoUnidade = Table<std::wstring>(
    L"um", L"dois", L"tr\u00eas", L"quatro", L"cinco", L"seis", L"sete", L"oito", L"nove");

const std::array<std::wstring, 9> vExtensoOnzeADezenove =
    Table<std::wstring>(L"onze", L"doze", L"treze", L"quatorze", L"quinze", L"dezesseis",
                        L"dezessete", L"dezoito", L"dezenove");

const std::array<std::wstring, 9> vExtensoDezena =
    Table<std::wstring>(L"dez", L"vinte", L"trinta", L"quarenta", L"cinq\u00fcenta", L"sessenta",
                        L"setenta", L"oitenta", L"noventa");

const std::array<std::wstring, 9> vExtensoCentena =
    Table<std::wstring>(L"cento", L"duzentos", L"trezentos", L"quatrocentos", L"quinhentos",
                        L"seiscentos", L"setecentos", L"oitocentos", L"novecentos");

const std::array<TRangePrefixGTIN, 127> vFaixaPrefixoGTIN = BuildFaixas();
