#include "platform/standin/Paths.h"

namespace platform::standin {

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  for (wchar_t wc : text) {
    auto c = static_cast<std::uint32_t>(wc);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    std::uint32_t cp;
    std::size_t extra;
    if (c < 0x80) {
      cp = c, extra = 0;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F, extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F, extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07, extra = 3;
    } else {
      out.push_back(L'?');
      ++i;
      continue;
    }
    if (i + extra >= text.size() && extra > 0) {
      out.push_back(L'?');
      break;
    }
    ++i;
    for (std::size_t k = 0; k < extra && i < text.size(); ++k, ++i)
      cp = (cp << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    out.push_back(static_cast<wchar_t>(cp));
  }
  return out;
}

std::string ToHostPath(const std::wstring& path) {
  std::string out = ToUtf8(path);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

std::wstring FromHostPath(const std::string& path) {
  std::wstring out = FromUtf8(path);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

}  // namespace platform::standin
