#include "util/Exceptions.h"

#include "platform/Platform.h"

namespace {
std::string Narrow(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::wstring OSErrorMessage(std::uint32_t code) {
  if (code == 0) return L"A call to an OS function failed";
  return L"System Error.  Code: " + std::to_wstring(code) + L".\r\n" + SystemErrorText(code);
}
}  // namespace

Exception::Exception(std::wstring message)
    : FMessage(std::move(message)), FNarrow(Narrow(FMessage)) {}

EOSError::EOSError(std::uint32_t code) : Exception(OSErrorMessage(code)), FErrorCode(code) {}

std::wstring SystemErrorText(std::uint32_t code) {
  std::wstring text = platform::SystemMessage(code);
  while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
  return text;
}

void RaiseLastOSError() { RaiseLastOSError(platform::LastError()); }

void RaiseLastOSError(std::uint32_t code) { throw EOSError(code); }
