// The log writer's platform pieces on the real Win32 layer, beyond the contract
// tests (tests/contract): another process holding the file, the code page.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/LogFile.h"
#include "platform/Platform.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "util/LogArquivo.h"

namespace fs = std::filesystem;

namespace {

template <typename Condicao>
bool Aguarda(Condicao condicao) {
  const auto fim = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!condicao()) {
    if (std::chrono::steady_clock::now() > fim) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::string Le(const fs::path& arquivo) {
  std::ifstream in(arquivo, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// VELMORA_SUPPORT_DIR is a host path; Wine shows the host's root as Z:.
std::wstring PastaDeApoio() {
  const char* pasta = std::getenv("VELMORA_SUPPORT_DIR");
  std::wstring resultado;
  if (!pasta) return resultado;
  for (const char* c = pasta; *c; ++c)
    resultado.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
  if (!resultado.empty() && resultado[0] == L'\\') resultado.insert(0, L"Z:");
  return resultado;
}

class LogFileWin32Test : public ::testing::Test {
protected:
  void SetUp() override {
    FPasta =
        fs::temp_directory_path() /
        ("velmora-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "-" + std::to_string(::GetCurrentProcessId()));
    // Wine reuses process ids, and a crashed run leaves its folder (and flag) behind.
    std::error_code ignorado;
    fs::remove_all(FPasta, ignorado);
    fs::create_directories(FPasta);
    FArquivo = FPasta / "Log.txt";
  }
  void TearDown() override {
    std::error_code ignorado;
    fs::remove_all(FPasta, ignorado);
  }
  fs::path FPasta, FArquivo;
};

TEST_F(LogFileWin32Test, AnotherProcessHoldingTheFileRefusesOurWriter) {
  const std::wstring apoio = PastaDeApoio();
  ASSERT_FALSE(apoio.empty()) << "VELMORA_SUPPORT_DIR is not set";
  const fs::path sinal = FPasta / "segurando";
  std::wstring linha = L"\"" + apoio + L"\\holdfile.exe\" \"" + FArquivo.wstring() + L"\" \"" +
                       sinal.wstring() + L"\" 60";
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  PROCESS_INFORMATION processo{};
  ASSERT_TRUE(::CreateProcessW(nullptr, linha.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &inicio, &processo))
      << ::GetLastError();
  ::CloseHandle(processo.hThread);
  EXPECT_TRUE(Aguarda([&] { return fs::exists(sinal); }));

  EXPECT_EQ(platform::LogFile::OpenExclusive(FArquivo.wstring()), nullptr);
  EXPECT_EQ(platform::LastError(), platform::error::SharingViolation);

  // The holder may still have the flag it has just made open, unshared.
  EXPECT_TRUE(Aguarda([&] {
    std::error_code ocupado;
    fs::remove(sinal, ocupado);
    return !fs::exists(sinal);
  }));
  EXPECT_EQ(::WaitForSingleObject(processo.hProcess, 60000), WAIT_OBJECT_0);
  ::CloseHandle(processo.hProcess);
  EXPECT_NE(platform::LogFile::OpenExclusive(FArquivo.wstring()), nullptr);
}

TEST(LogArquivoWin32, ExcecaoIsWrittenInTheAnsiCodePage) {
  ASSERT_EQ(::GetACP(), 1252u) << "this check expects a Western European code page";
  EXPECT_EQ(platform::ToAnsi(L"Exce\u00E7\u00E3o \u20AC"), "Exce\xE7\xE3o \x80");

  class EFalha : public Exception {
  public:
    using Exception::Exception;
    std::wstring ClassName() const override { return L"EFalha"; }
  };
  const std::wstring prefixo = L"Win32Teste" + std::to_wstring(::GetCurrentProcessId());
  std::wstring nome;
  {
    TLogArquivo log(prefixo);
    nome = log.NomeLog();
    log.ErroExcecao(nullptr, EFalha(L"sem acesso"));
    log.SetLogAtivo(false);  // no closing line
  }
  ASSERT_TRUE(Aguarda([] { return LogWritersRunning() == 0; }));
  const std::string conteudo = Le(fs::path(nome));
  std::error_code ignorado;
  fs::remove(fs::path(nome), ignorado);
  fs::remove(fs::path(nome).parent_path(), ignorado);  // only when no other file is left there
  const std::regex forma(
      "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}.[0-9]{2}.[0-9]{2}  [0-9A-F]{8} ERRO   : \\[\\*\\] "
      "Exce\xE7\xE3o EFalha: sem acesso\r\n");
  EXPECT_TRUE(std::regex_match(conteudo, forma)) << conteudo;
}

TEST(LogArquivoWin32, WritersOfOneProcessTakeTurnsOnTheFile) {
  constexpr int kThreads = 8, kEntradas = 200;
  const std::wstring prefixo = L"Win32Rajada" + std::to_wstring(::GetCurrentProcessId());
  const std::size_t recusadasAntes = LogOpensRefused();
  std::wstring nome;
  {
    TLogArquivo log(prefixo);
    nome = log.NomeLog();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&log, t] {
        for (int i = t; i < kEntradas; i += kThreads)
          log.Info(nullptr, L"entrada " + std::to_wstring(i));
      });
    for (std::thread& t : threads) t.join();
    log.SetLogAtivo(false);
  }
  ASSERT_TRUE(Aguarda([] { return LogWritersRunning() == 0; }));
  const std::string conteudo = Le(fs::path(nome));
  std::error_code ignorado;
  fs::remove(fs::path(nome), ignorado);
  fs::remove(fs::path(nome).parent_path(), ignorado);
  std::size_t linhas = 0;
  for (std::size_t p = 0; (p = conteudo.find("\r\n", p)) != std::string::npos; p += 2) ++linhas;
  EXPECT_EQ(linhas, static_cast<std::size_t>(kEntradas));
  EXPECT_EQ(LogOpensRefused(), recusadasAntes);
}

}  // namespace
