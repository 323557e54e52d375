// Fuzz target: the assembly of a log line from its parts, and its conversion to
// the file's 8-bit code page.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Text.h"
#include "util/LogArquivo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size);

namespace {
void Check(bool Condition) {
  if (!Condition) __builtin_trap();
}

class TFonte : public TObject {
public:
  explicit TFonte(std::wstring Nome) : FNome(std::move(Nome)) {}
  std::wstring ClassName() const override { return FNome; }

private:
  std::wstring FNome;
};

// Consumes UTF-16 code units up to a 0xFFFF unit (or the end) as one part.
std::wstring Part(const std::uint8_t*& Data, std::size_t& Size) {
  std::wstring part;
  while (Size >= 2) {
    const wchar_t unit = static_cast<wchar_t>(Data[0] | (Data[1] << 8));
    Data += 2;
    Size -= 2;
    if (unit == 0xFFFF) break;
    part.push_back(unit);
  }
  return part;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 4) return 0;
  const std::uint32_t thread = Data[0] | (Data[1] << 8) | (Data[2] << 16) |
                               (static_cast<std::uint32_t>(Data[3]) << 24);
  Data += 4;
  Size -= 4;
  const std::wstring tag = Part(Data, Size);
  const std::wstring rotulo = Part(Data, Size);
  const std::wstring nome = Part(Data, Size);
  const std::wstring texto = Part(Data, Size);

  const TFonte objeto(nome);
  const bool comObjeto = (thread & 1) != 0;
  const std::wstring fonte = FonteLog(comObjeto ? &objeto : nullptr);
  if (comObjeto) {
    Check(fonte.size() == (nome.size() < 32 ? 32 : nome.size()));
    Check(fonte.compare(0, nome.size(), nome) == 0);
  } else {
    Check(fonte == L"*");
  }

  const std::wstring cauda = CaudaLinhaLog(tag, thread, rotulo, fonte, texto);
  const std::wstring inicio = L" " + tag + L" " + platform::Hex(thread, 8) + L" " + rotulo;
  const std::wstring fim = L" : [" + fonte + L"] " + texto;
  Check(cauda.size() == inicio.size() + fim.size());
  Check(cauda.compare(0, inicio.size(), inicio) == 0);
  Check(cauda.compare(inicio.size(), fim.size(), fim) == 0);

  // One byte per UTF-16 unit (Windows-1252), ASCII unchanged, whatever the text holds.
  const std::string ansi = platform::ToAnsi(cauda);
  Check(ansi.size() == cauda.size());
  for (std::size_t i = 0; i < cauda.size(); ++i)
    if (cauda[i] < 0x80) Check(ansi[i] == static_cast<char>(cauda[i]));
  return 0;
}
