#include "platform/Compare.h"

#include "platform/standin/Internal.h"

namespace platform {

bool SameTextIgnoreCase(const std::wstring& a, const std::wstring& b) {
  if (standin::Fails("CompareStringW")) return false;
  return standin::SameName(a, b);
}

bool SamePathIgnoreCase(const std::wstring& a, const std::wstring& b) {
  return standin::SameName(a, b);
}

}  // namespace platform
