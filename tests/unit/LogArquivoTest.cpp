#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/EventLog.h"
#include "platform/LogFile.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/standin/Clock.h"
#include "platform/standin/Control.h"
#include "platform/standin/EventLog.h"
#include "platform/standin/LogFile.h"
#include "platform/standin/Paths.h"
#include "platform/standin/Process.h"
#include "util/Enum.h"
#include "util/LogArquivo.h"

namespace fs = std::filesystem;
using platform::standin::FromHostPath;

namespace {

platform::LocalTime Momento(int ano, int mes, int dia, int hora, int minuto, int segundo) {
  platform::LocalTime t;
  t.Year = static_cast<std::uint16_t>(ano);
  t.Month = static_cast<std::uint16_t>(mes);
  t.Day = static_cast<std::uint16_t>(dia);
  t.Hour = static_cast<std::uint16_t>(hora);
  t.Minute = static_cast<std::uint16_t>(minuto);
  t.Second = static_cast<std::uint16_t>(segundo);
  return t;
}

class TFonte : public TObject {
public:
  explicit TFonte(std::wstring nome) : FNome(std::move(nome)) {}
  std::wstring ClassName() const override { return FNome; }

private:
  std::wstring FNome;
};

class EFalhaDeTeste : public Exception {
public:
  using Exception::Exception;
  std::wstring ClassName() const override { return L"EFalhaDeTeste"; }
};

template <typename Condicao>
bool Aguarda(Condicao condicao, std::chrono::seconds limite = std::chrono::seconds(120)) {
  const auto fim = std::chrono::steady_clock::now() + limite;
  while (!condicao()) {
    if (std::chrono::steady_clock::now() > fim) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The warning entries that lines missing the file became, in the order written.
std::vector<platform::standin::EventEntry> Desviadas() {
  std::vector<platform::standin::EventEntry> desviadas;
  for (const auto& entrada : platform::standin::EventEntries())
    if (entrada.Type == platform::eventlog::Warning) desviadas.push_back(entrada);
  return desviadas;
}

// An entry's text: the line as the file would hold it, then why it is not there.
void EsperaDesviada(const platform::standin::EventEntry& pEntrada, const std::wstring& pTexto,
                    const std::wstring& pArquivo, std::uint32_t pErro) {
  EXPECT_EQ(pEntrada.Source, L"ServicoVelmoraNFCe.exe");
  EXPECT_EQ(pEntrada.Type, platform::eventlog::Warning);
  const std::wregex linha(LR"(2024-01-1[56] \d\d:\d\d:\d\d \S* [0-9A-F]{8} INFO   : \[\*\] )");
  EXPECT_TRUE(std::regex_search(pEntrada.Text, linha, std::regex_constants::match_continuous))
      << testing::PrintToString(pEntrada.Text);
  const std::wstring fim = pTexto + L"\r\nLinha n\u00E3o gravada em " + pArquivo + L": erro " +
                           std::to_wstring(pErro) + L" (";
  EXPECT_NE(pEntrada.Text.find(L"[*] " + fim), std::wstring::npos)
      << testing::PrintToString(pEntrada.Text);
}

bool EsperaEscritores() {
  return Aguarda([] { return LogWritersRunning() == 0; });
}

std::string Le(const fs::path& arquivo) {
  std::ifstream in(arquivo, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Linhas(const std::string& conteudo) {
  std::vector<std::string> linhas;
  std::size_t inicio = 0;
  for (std::size_t fim; (fim = conteudo.find("\r\n", inicio)) != std::string::npos;
       inicio = fim + 2)
    linhas.push_back(conteudo.substr(inicio, fim - inicio));
  EXPECT_EQ(inicio, conteudo.size()) << "file does not end with CR LF";
  return linhas;
}

std::string Hexa8(std::uint32_t valor) {
  char texto[9];
  std::snprintf(texto, sizeof texto, "%08X", valor);
  return texto;
}

// A fresh executable folder, a frozen clock and no process logger.
class LogArquivoTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The previous logger's closing entry first, then a stand-in like a new process's.
    ReleaseLog();
    ASSERT_TRUE(EsperaEscritores());
    platform::standin::Reset();
    std::random_device aleatorio;
    FPasta = fs::temp_directory_path() /
             ("velmora-log-" +
              std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
              std::to_string(aleatorio()));
    fs::create_directories(FPasta);
    UsaExecutavel(FPasta / "ServicoVelmoraNFCe.exe");
    platform::standin::SetLocalTime(Momento(2024, 1, 15, 8, 15, 42));
  }

  void TearDown() override {
    EXPECT_TRUE(EsperaEscritores());
    ReleaseLog();
    EXPECT_TRUE(EsperaEscritores());
    platform::standin::Reset();
    std::error_code ignorado;
    fs::remove_all(FPasta, ignorado);
  }

  static void UsaExecutavel(const fs::path& exe) {
    platform::standin::SetModuleFileName(FromHostPath(exe.string()));
  }

  fs::path Arquivo(const std::string& dia) const {
    return FPasta / "log" / ("LogServicoVelmoraNFCe" + dia + ".txt");
  }

  fs::path FPasta;
};

TEST(TextoTipoLog, LabelsAreSixCharactersAndUnknownValuesReadErro) {
  EXPECT_EQ(TextoTipoLog(TTipoLog::Debug), L"DEBUG ");
  EXPECT_EQ(TextoTipoLog(TTipoLog::Info), L"INFO  ");
  EXPECT_EQ(TextoTipoLog(TTipoLog::Alerta), L"ALERTA");
  EXPECT_EQ(TextoTipoLog(TTipoLog::Erro), L"ERRO  ");
  EXPECT_EQ(TextoTipoLog(static_cast<TTipoLog>(4)), L"ERRO");
  EXPECT_EQ(TextoTipoLog(static_cast<TTipoLog>(255)), L"ERRO");
}

TEST(ToAnsi, StandInWritesWindows1252WithQuestionMarks) {
  const struct {
    std::wstring texto;
    std::string bytes;
  } casos[] = {
      {L"Exce\u00E7\u00E3o", "Exce\xE7\xE3o"},
      {L"\u00C1\u00E9\u00FF\u00A0", "\xC1\xE9\xFF\xA0"},
      {L"\u20AC \u2122 \u0178 \u201C", "\x80 \x99 \x9F \x93"},
      {L"\u4E2D\u0100\u0394", "???"},
      {L"a\r\nb", "a\r\nb"},
  };
  for (const auto& caso : casos) EXPECT_EQ(platform::ToAnsi(caso.texto), caso.bytes);
}

TEST_F(LogArquivoTest, FileNameFollowsTheExecutablePrefixAndDay) {
  const struct {
    std::wstring exe, prefixo, nome;
  } casos[] = {
      {L"C:\\App\\ServicoVelmoraNFCe.exe", L"", L"C:\\App\\log\\LogServicoVelmoraNFCe20240115.txt"},
      {L"C:\\App\\ServicoVelmoraNFCe.exe", L"Caixa", L"C:\\App\\log\\LogCaixa20240115.txt"},
      {L"C:\\Pasta.v2\\Servico.Velmora.exe", L"",
       L"C:\\Pasta.v2\\log\\LogServico.Velmora20240115.txt"},
      {L"C:\\Pasta.v2\\Servico", L"", L"C:\\Pasta.v2\\log\\LogServico20240115.txt"},
      {L"C:Servico.exe", L"", L"C:log\\LogServico20240115.txt"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(platform::standin::ToUtf8(caso.exe));
    platform::standin::SetModuleFileName(caso.exe);
    TLogArquivo log(caso.prefixo);
    EXPECT_EQ(log.NomeLog(), caso.nome);
    log.SetLogAtivo(false);  // no closing entry towards a drive that is not here
  }
  platform::standin::SetModuleFileName(L"C:\\App\\ServicoVelmoraNFCe.exe");
  EXPECT_EQ(GetLog()->NomeLog(), L"C:\\App\\log\\LogServicoVelmoraNFCe20240115.txt");
  GetLog()->SetLogAtivo(false);
}

TEST_F(LogArquivoTest, FolderIsCreatedWithItsParentsOnlyByConstruction) {
  UsaExecutavel(FPasta / "a" / "b" / "ServicoVelmoraNFCe.exe");
  EXPECT_FALSE(fs::exists(FPasta / "a"));
  GetLog()->Info(nullptr, L"primeira");
  ASSERT_TRUE(EsperaEscritores());
  EXPECT_EQ(Linhas(Le(FPasta / "a" / "b" / "log" / "LogServicoVelmoraNFCe20240115.txt")).size(),
            1u);

  // A folder removed later is not made again, neither by an entry nor by a new day.
  fs::remove_all(FPasta / "a" / "b" / "log");
  platform::standin::SetLocalTime(Momento(2024, 1, 16, 0, 0, 1));
  const std::size_t recusadasAntes = LogOpensRefused();
  GetLog()->Info(nullptr, L"perdida");
  EXPECT_EQ(GetLog()->NomeLog(), FromHostPath((FPasta / "a" / "b" / "log").string()) +
                                     L"\\LogServicoVelmoraNFCe20240116.txt");
  ASSERT_TRUE(EsperaEscritores());
  EXPECT_EQ(LogOpensRefused() - recusadasAntes, 16u);
  EXPECT_FALSE(fs::exists(FPasta / "a" / "b" / "log"));
  // The line is not lost without a trace: path not found (3).
  const auto desviadas = Desviadas();
  ASSERT_EQ(desviadas.size(), 1u);
  EsperaDesviada(desviadas[0], L"perdida", GetLog()->NomeLog(), 3);
}

TEST_F(LogArquivoTest, AFileWhereTheFolderShouldBeSendsEveryLineToTheEventLogInOrder) {
  std::ofstream(FPasta / "log") << "not a folder";
  const std::size_t antes = LogEntriesToEventLog();
  const std::vector<std::wstring> textos = {L"sem pasta", L"Exce\u00E7\u00E3o", L"terceira",
                                            L"quarta", L"quinta"};
  for (const std::wstring& texto : textos) GetLog()->Info(nullptr, texto);
  ASSERT_TRUE(EsperaEscritores());
  EXPECT_EQ(LogEntriesToEventLog() - antes, textos.size());
  // Each writer gives up after its own random pauses, yet the entries keep the order of logging.
  const auto desviadas = Desviadas();
  ASSERT_EQ(desviadas.size(), textos.size());
  for (std::size_t i = 0; i < textos.size(); ++i)
    EsperaDesviada(desviadas[i], textos[i], GetLog()->NomeLog(), 3);
}

TEST_F(LogArquivoTest, LinesKeepTheOrderOfLoggingWhenLaterWritersWouldGetInFirst) {
  // Every writer's first open is refused; after that each lets the writer of
  // the next entry in first, waiting a while for it. Writers racing each other
  // would write the lines backwards; writers in turns write them in order.
  constexpr int kLinhas = 3;
  GetLog()->Info(nullptr, L"antes");  // the folder and the file
  ASSERT_TRUE(EsperaEscritores());
  std::mutex trava;
  std::condition_variable entrou;
  std::map<std::thread::id, int> ordem;  // writers, in the order of their first attempts
  std::map<std::thread::id, int> tentativas;
  std::vector<bool> liberado(kLinhas, false);
  platform::standin::SetLogFileOpenHook([&](const std::wstring&) {
    std::unique_lock<std::mutex> lock(trava);
    const auto eu = std::this_thread::get_id();
    const int i = ordem.emplace(eu, static_cast<int>(ordem.size())).first->second;
    if (++tentativas[eu] == 1) return true;
    if (i + 1 < kLinhas)
      entrou.wait_for(lock, std::chrono::milliseconds(300), [&] { return liberado[i + 1]; });
    liberado[static_cast<std::size_t>(i)] = true;
    entrou.notify_all();
    return false;
  });
  const std::size_t recusadasAntes = LogOpensRefused();
  for (int i = 0; i < kLinhas; ++i) GetLog()->Info(nullptr, L"linha " + std::to_wstring(i));
  ASSERT_TRUE(EsperaEscritores());
  platform::standin::SetLogFileOpenHook(nullptr);

  EXPECT_GE(LogOpensRefused() - recusadasAntes, static_cast<std::size_t>(kLinhas));
  const std::vector<std::string> linhas = Linhas(Le(Arquivo("20240115")));
  ASSERT_EQ(linhas.size(), static_cast<std::size_t>(kLinhas + 1));
  for (int i = 0; i < kLinhas; ++i)
    EXPECT_EQ(linhas[static_cast<std::size_t>(i + 1)].substr(29),
              " INFO   : [*] linha " + std::to_string(i));
  EXPECT_TRUE(Desviadas().empty());
}

TEST_F(LogArquivoTest, AWriteTakenOnlyInPartIsCutOffBeforeTheLineGoesToTheEventLog) {
  const struct {
    const char* caso;
    bool corteFalha;
    std::string entre;  // what stays between the first line and the next
  } casos[] = {
      {"the cut succeeds", false, ""},
      // The fragment stays, but the next line still starts on a line of its own.
      {"the cut fails", true, "2024-01-15 08:15:42  \r\n"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.caso);
    ReleaseLog();
    ASSERT_TRUE(EsperaEscritores());
    platform::standin::Reset();
    UsaExecutavel(FPasta / "ServicoVelmoraNFCe.exe");
    platform::standin::SetLocalTime(Momento(2024, 1, 15, 8, 15, 42));
    fs::remove_all(FPasta / "log");
    GetLog()->Info(nullptr, L"primeira");
    ASSERT_TRUE(EsperaEscritores());
    const std::string primeira = Le(Arquivo("20240115"));

    // A full FAT volume: the first 21 bytes fit, then the disk is full (112).
    platform::standin::AcceptOnlyNextWrite(21, platform::error::DiskFull);
    if (caso.corteFalha) platform::standin::FailNext("SetEndOfFile", platform::error::AccessDenied);
    GetLog()->Info(nullptr, L"cortada");
    GetLog()->Info(nullptr, L"seguinte");
    ASSERT_TRUE(EsperaEscritores());

    const std::string conteudo = Le(Arquivo("20240115"));
    ASSERT_EQ(conteudo.rfind(primeira + caso.entre, 0), 0u) << conteudo;
    const std::vector<std::string> resto =
        Linhas(conteudo.substr(primeira.size() + caso.entre.size()));
    ASSERT_EQ(resto.size(), 1u);
    EXPECT_EQ(resto[0].substr(29), " INFO   : [*] seguinte");

    const auto desviadas = Desviadas();
    ASSERT_EQ(desviadas.size(), 1u);
    EsperaDesviada(desviadas[0], L"cortada", GetLog()->NomeLog(), 112);
    const std::wstring nota =
        L"A parte j\u00E1 gravada n\u00E3o p\u00F4de ser cortada do arquivo: erro 5 (";
    EXPECT_EQ(desviadas[0].Text.find(nota) != std::wstring::npos, caso.corteFalha)
        << testing::PrintToString(desviadas[0].Text);
  }
}

TEST_F(LogArquivoTest, LineLayoutForSourcesAndTexts) {
  const std::wstring nome32(32, L'N'), nome40(40, L'Q');
  const TFonte onze(L"TCaixaLocal"), trintaDois(nome32), quarenta(nome40);
  const struct {
    const TObject* fonte;
    std::wstring texto;
    std::string esperado;  // the line after the thread field
  } casos[] = {
      {&onze, L"Executando API: C:\\App\\divevezodoz.exe",
       " INFO   : [TCaixaLocal                     ] Executando API: C:\\App\\divevezodoz.exe\r\n"},
      {nullptr, L"sem fonte", " INFO   : [*] sem fonte\r\n"},
      {&trintaDois, L"x", " INFO   : [" + std::string(32, 'N') + "] x\r\n"},
      {&quarenta, L"x", " INFO   : [" + std::string(40, 'Q') + "] x\r\n"},
      {&onze, L"", " INFO   : [TCaixaLocal                     ] \r\n"},
      {&onze, L"um\r\ndois\nfim",
       " INFO   : [TCaixaLocal                     ] um\r\ndois\nfim\r\n"},
  };
  const std::string chamador = Hexa8(platform::CurrentThreadId());
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.esperado);
    fs::remove(Arquivo("20240115"));
    GetLog()->Info(caso.fonte, caso.texto);
    ASSERT_TRUE(EsperaEscritores());
    const std::string linha = Le(Arquivo("20240115"));
    ASSERT_GT(linha.size(), 29u);
    EXPECT_EQ(linha.substr(0, 21), "2024-01-15 08:15:42  ");
    const std::string thread = linha.substr(21, 8);
    EXPECT_TRUE(std::regex_match(thread, std::regex("[0-9A-F]{8}"))) << thread;
    EXPECT_NE(thread, chamador) << "the thread field is the writer's, not the caller's";
    EXPECT_EQ(linha.substr(29), caso.esperado);
  }
}

TEST_F(LogArquivoTest, LevelsAndExceptionTextsInAnsi) {
  const TFonte fonte(L"TFonte");
  const EFalhaDeTeste falha(L"deu errado \u20AC");
  TLogArquivo& log = *GetLog();
  log.Debug(&fonte, L"d");
  log.Info(&fonte, L"i");
  log.Alerta(&fonte, L"a");
  log.Erro(&fonte, L"e");
  log.AlertaExcecao(&fonte, falha);
  log.ErroExcecao(nullptr, falha);
  ASSERT_TRUE(EsperaEscritores());

  std::multiset<std::string> obtidas;
  for (const std::string& linha : Linhas(Le(Arquivo("20240115")))) obtidas.insert(linha.substr(29));
  const std::string campo = "[TFonte                          ] ";
  const std::multiset<std::string> esperadas = {
      " DEBUG  : " + campo + "d",
      " INFO   : " + campo + "i",
      " ALERTA : " + campo + "a",
      " ERRO   : " + campo + "e",
      " ALERTA : " + campo + "Exce\xE7\xE3o EFalhaDeTeste: deu errado \x80",
      " ERRO   : [*] Exce\xE7\xE3o EFalhaDeTeste: deu errado \x80",
  };
  EXPECT_EQ(obtidas, esperadas);
}

TEST_F(LogArquivoTest, DayChangesMoveToTheNewDaysFileForwardAndBack) {
  const TFonte fonte(L"TFonte");
  platform::standin::SetLocalTime(Momento(2024, 1, 15, 23, 59, 59));
  GetLog()->Info(&fonte, L"antes");
  ASSERT_TRUE(EsperaEscritores());

  platform::standin::SetLocalTime(Momento(2024, 1, 16, 0, 0, 1));
  EXPECT_EQ(GetLog()->NomeLog(), FromHostPath(Arquivo("20240116").string()));
  GetLog()->Info(&fonte, L"depois");
  ASSERT_TRUE(EsperaEscritores());

  platform::standin::SetLocalTime(Momento(2024, 1, 15, 23, 59, 58));
  GetLog()->Info(&fonte, L"de volta");
  ASSERT_TRUE(EsperaEscritores());

  const std::vector<std::string> dia15 = Linhas(Le(Arquivo("20240115")));
  const std::vector<std::string> dia16 = Linhas(Le(Arquivo("20240116")));
  ASSERT_EQ(dia15.size(), 2u);
  ASSERT_EQ(dia16.size(), 1u);
  EXPECT_EQ(dia15[0].substr(0, 19), "2024-01-15 23:59:59");
  EXPECT_NE(dia15[0].find("] antes"), std::string::npos);
  EXPECT_EQ(dia15[1].substr(0, 19), "2024-01-15 23:59:58");
  EXPECT_NE(dia15[1].find("] de volta"), std::string::npos);
  EXPECT_EQ(dia16[0].substr(0, 19), "2024-01-16 00:00:01");
  EXPECT_NE(dia16[0].find("] depois"), std::string::npos);
}

TEST_F(LogArquivoTest, TheDayOfTheOpenNotOfTheCallChoosesTheFile) {
  GetLog()->Info(nullptr, L"abre o dia");  // makes the logger and the day's file
  ASSERT_TRUE(EsperaEscritores());
  {
    // Held outside the writers' turns, as another program would hold it.
    auto retido = platform::LogFile::OpenExclusive(FromHostPath(Arquivo("20240115").string()));
    ASSERT_TRUE(retido);
    GetLog()->Info(nullptr, L"feita no dia 15");
    platform::standin::SetLocalTime(Momento(2024, 1, 16, 0, 0, 0));
    ASSERT_TRUE(EsperaEscritores());
  }
  EXPECT_EQ(Linhas(Le(Arquivo("20240115"))).size(), 1u);
  const std::vector<std::string> dia16 = Linhas(Le(Arquivo("20240116")));
  ASSERT_EQ(dia16.size(), 1u);
  EXPECT_EQ(dia16[0].substr(0, 19), "2024-01-16 00:00:00");
  EXPECT_NE(dia16[0].find("] feita no dia 15"), std::string::npos);
}

TEST_F(LogArquivoTest, LogAtivoIsTestedOnlyWhenTheEntryIsQueued) {
  auto log = std::make_unique<TLogArquivo>();
  EXPECT_TRUE(log->LogAtivo());
  log->SetLogAtivo(false);
  log->Info(nullptr, L"descartada");
  EXPECT_EQ(LogWritersRunning(), 0u) << "no thread for a discarded entry";

  log->SetLogAtivo(true);
  log->Info(nullptr, L"na fila antes de desligar");
  log->SetLogAtivo(false);
  EXPECT_FALSE(log->LogAtivo());
  log.reset();  // switched off: no closing entry either
  ASSERT_TRUE(EsperaEscritores());
  const std::vector<std::string> linhas = Linhas(Le(Arquivo("20240115")));
  ASSERT_EQ(linhas.size(), 1u);
  EXPECT_NE(linhas[0].find("] na fila antes de desligar"), std::string::npos);
}

TEST_F(LogArquivoTest, ReleaseQueuesTheClosingEntryAndPendingEntriesOutliveTheLogger) {
  fs::create_directories(FPasta / "log");
  std::ofstream(Arquivo("20240115"), std::ios::binary) << "linha antiga\r\n";
  auto log = std::make_unique<TLogArquivo>();
  for (int i = 0; i < 20; ++i) log->Info(nullptr, L"pendente " + std::to_wstring(i));
  log.reset();
  ASSERT_TRUE(EsperaEscritores());

  const std::string conteudo = Le(Arquivo("20240115"));
  EXPECT_EQ(conteudo.rfind("linha antiga\r\n", 0), 0u) << "existing content is kept";
  const std::vector<std::string> linhas = Linhas(conteudo);
  ASSERT_EQ(linhas.size(), 22u);
  EXPECT_EQ(std::count_if(linhas.begin(), linhas.end(),
                          [](const std::string& l) {
                            return l.size() > 29 &&
                                   l.substr(29) ==
                                       " INFO   : [TLogArquivo                     ] "
                                       "**** Log finalizado ****";
                          }),
            1);
}

TEST_F(LogArquivoTest, EntriesGoToTheEventLogWhileAnotherProcessHoldsTheFile) {
  GetLog();  // the folder
  const fs::path arquivo = Arquivo("20240115"), sinal = FPasta / "segurando";
  const std::string comando = "'" VELMORA_SUPPORT_DIR "/holdfile' '" + arquivo.string() + "' '" +
                              sinal.string() + "' 120 >/dev/null &";
  ASSERT_EQ(std::system(comando.c_str()), 0);
  ASSERT_TRUE(Aguarda([&] { return fs::exists(sinal); }));

  const std::size_t recusadasAntes = LogOpensRefused();
  for (int i = 0; i < 3; ++i) GetLog()->Info(nullptr, L"perdida");
  // Nothing but this test waits for the writers: each gives up on its own.
  ASSERT_TRUE(EsperaEscritores());
  EXPECT_EQ(Le(arquivo), "") << "each entry misses the file after its attempts";
  EXPECT_EQ(LogOpensRefused() - recusadasAntes, 3u * 16u);
  // ... and goes to the event log instead, with the sharing violation (32).
  const auto desviadas = Desviadas();
  ASSERT_EQ(desviadas.size(), 3u);
  for (const auto& desviada : desviadas)
    EsperaDesviada(desviada, L"perdida", FromHostPath(arquivo.string()), 32);

  fs::remove(sinal);  // tells the holder to let go
  const std::wstring nome = FromHostPath(arquivo.string());
  ASSERT_TRUE(Aguarda([&] { return platform::LogFile::OpenExclusive(nome) != nullptr; }));
  GetLog()->Info(nullptr, L"escrita");
  ASSERT_TRUE(EsperaEscritores());
  const std::vector<std::string> linhas = Linhas(Le(arquivo));
  ASSERT_EQ(linhas.size(), 1u);
  EXPECT_NE(linhas[0].find("] escrita"), std::string::npos);
  EXPECT_EQ(Desviadas().size(), 3u) << "a line that reaches the file goes nowhere else";
}

TEST_F(LogArquivoTest, BurstOfAThousandEntriesFromSixteenThreadsKeepsEveryLine) {
  constexpr int kThreads = 16, kEntradas = 1000;
  const TFonte fonte(L"TRajada");
  const std::size_t recusadasAntes = LogOpensRefused();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&fonte, t] {
      for (int i = t; i < kEntradas; i += kThreads)
        GetLog()->Info(&fonte, L"entrada " + std::to_wstring(i));
    });
  for (std::thread& t : threads) t.join();
  ASSERT_TRUE(EsperaEscritores());
  EXPECT_EQ(LogOpensRefused(), recusadasAntes)
      << "writers of one process never crowd each other out";

  const std::vector<std::string> linhas = Linhas(Le(Arquivo("20240115")));
  ASSERT_EQ(linhas.size(), static_cast<std::size_t>(kEntradas));
  const std::regex forma(
      "2024-01-15 08:15:42  [0-9A-F]{8} INFO   : \\[TRajada {25}\\] entrada ([0-9]+)");
  std::set<int> vistas;
  for (const std::string& linha : linhas) {
    std::smatch partes;
    ASSERT_TRUE(std::regex_match(linha, partes, forma)) << linha;
    vistas.insert(std::stoi(partes[1]));
  }
  EXPECT_EQ(vistas.size(), static_cast<std::size_t>(kEntradas));
  EXPECT_EQ(*vistas.rbegin(), kEntradas - 1);
}

TEST_F(LogArquivoTest, GetLogGivesOneInstanceWhenThreadsRaceForIt) {
  constexpr int kThreads = 8;
  std::atomic<bool> largada{false};
  std::vector<TLogArquivo*> vistos(kThreads, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      while (!largada.load()) std::this_thread::yield();
      vistos[static_cast<std::size_t>(t)] = GetLog();
    });
  largada = true;
  for (std::thread& t : threads) t.join();
  for (TLogArquivo* visto : vistos) EXPECT_EQ(visto, vistos[0]);
  EXPECT_TRUE(fs::is_directory(FPasta / "log"));
}

}  // namespace
