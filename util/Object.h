// Root of the classes that can be named as the source of a log line.
#pragma once

#include <string>

class TObject {
public:
  virtual ~TObject() = default;
  // The declared name of the object's class, e.g. L"TVelmoraNFCeStarter".
  virtual std::wstring ClassName() const = 0;
};
