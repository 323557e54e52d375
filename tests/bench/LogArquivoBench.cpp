// The log writer: what a logging call costs its caller, and how fast a burst
// from many threads reaches the file compared with one thread that reopens the
// file for every line (the floor of any writer that does not keep it open).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/LogFile.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/standin/Paths.h"
#include "platform/standin/Process.h"
#include "util/LogArquivo.h"

namespace fs = std::filesystem;

namespace {

constexpr int kThreads = 16;
constexpr int kEntradas = 1000;

class TFonte : public TObject {
public:
  std::wstring ClassName() const override { return L"TRajada"; }
};

bool EsperaEscritores() {
  const auto fim = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (LogWritersRunning() != 0) {
    if (std::chrono::steady_clock::now() > fim) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

std::size_t ContaLinhas(const fs::path& arquivo) {
  std::ifstream in(arquivo, std::ios::binary);
  const std::string conteudo((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  std::size_t linhas = 0;
  for (std::size_t p = 0; (p = conteudo.find("\r\n", p)) != std::string::npos; p += 2) ++linhas;
  return linhas;
}

// A fresh executable folder with no process logger; removed at the end.
class TAmbiente {
public:
  TAmbiente() {
    std::random_device aleatorio;
    FPasta = fs::temp_directory_path() / ("velmora-bench-" + std::to_string(aleatorio()));
    fs::create_directories(FPasta);
    platform::standin::SetModuleFileName(
        platform::standin::FromHostPath((FPasta / "ServicoVelmoraNFCe.exe").string()));
    ReleaseLog();
  }
  ~TAmbiente() {
    EsperaEscritores();
    ReleaseLog();
    EsperaEscritores();
    platform::standin::SetModuleFileName(std::nullopt);
    std::error_code ignorado;
    fs::remove_all(FPasta, ignorado);
  }
  fs::path Arquivo() const { return platform::standin::ToHostPath(GetLog()->NomeLog()); }

private:
  fs::path FPasta;
};

void BM_CustoDaChamada(benchmark::State& state) {
  TAmbiente ambiente;
  TLogArquivo* log = GetLog();
  const TFonte fonte;
  const std::wstring texto = L"Executando API: C:\\App\\divevezodoz.exe";
  std::size_t feitas = 0;
  for (auto _ : state) {
    log->Info(&fonte, texto);
    if (++feitas % 256 == 0) {  // keep the number of live writers bounded
      state.PauseTiming();
      EsperaEscritores();
      state.ResumeTiming();
    }
  }
  EsperaEscritores();  // after the timed loop
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_CustoDaChamada);

void BM_Rajada16Threads1000Linhas(benchmark::State& state) {
  TAmbiente ambiente;
  const fs::path arquivo = ambiente.Arquivo();
  const TFonte fonte;
  for (auto _ : state) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&fonte, t] {
        for (int i = t; i < kEntradas; i += kThreads)
          GetLog()->Info(&fonte, L"entrada " + std::to_wstring(i));
      });
    for (std::thread& t : threads) t.join();
    if (!EsperaEscritores()) {
      state.SkipWithError("writers did not finish");
      break;
    }
    state.PauseTiming();
    const std::size_t linhas = ContaLinhas(arquivo);
    fs::remove(arquivo);
    if (linhas != static_cast<std::size_t>(kEntradas)) {
      state.SkipWithError(("lines lost: " + std::to_string(linhas)).c_str());
      break;
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kEntradas);
  state.counters["opens_refused"] = static_cast<double>(LogOpensRefused());
}
BENCHMARK(BM_Rajada16Threads1000Linhas)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same lines from one thread: open exclusively, append, close, 1000 times.
void BM_AbreAnexaFechaUmaThread1000Linhas(benchmark::State& state) {
  TAmbiente ambiente;
  const std::wstring nome = GetLog()->NomeLog();
  const fs::path arquivo = ambiente.Arquivo();
  const std::wstring sep = platform::TimeSeparator();
  for (auto _ : state) {
    for (int i = 0; i < kEntradas; ++i) {
      auto log = platform::LogFile::OpenExclusive(nome);
      if (!log) {
        state.SkipWithError("open refused");
        break;
      }
      const platform::LocalTime t = platform::LocalNow();
      const std::wstring linha =
          std::to_wstring(t.Year) + L"-" + std::to_wstring(t.Month) + L"-" +
          std::to_wstring(t.Day) + L" " + std::to_wstring(t.Hour) + sep +
          std::to_wstring(t.Minute) + sep + std::to_wstring(t.Second) +
          L"  00001F44 INFO   : [TRajada                         ] entrada " + std::to_wstring(i);
      log->Write(platform::ToAnsi(linha) + "\r\n");
    }
    state.PauseTiming();
    fs::remove(arquivo);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kEntradas);
}
BENCHMARK(BM_AbreAnexaFechaUmaThread1000Linhas)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
