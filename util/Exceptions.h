// The common failure base and the operating-system failure.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

// Every failure that carries a message derives from Exception; each boundary of
// the program catches this base and turns the failure into text.
class Exception : public std::exception {
public:
  explicit Exception(std::wstring message);
  const std::wstring& Message() const noexcept { return FMessage; }
  virtual std::wstring ClassName() const { return L"Exception"; }
  const char* what() const noexcept override { return FNarrow.c_str(); }

private:
  std::wstring FMessage;
  std::string FNarrow;  // for diagnostics of code that only knows std::exception
};

// A failed platform call that is raised rather than ignored.
class EOSError : public Exception {
public:
  explicit EOSError(std::uint32_t code);
  std::uint32_t ErrorCode() const noexcept { return FErrorCode; }
  std::wstring ClassName() const override { return L"EOSError"; }

private:
  std::uint32_t FErrorCode;
};

// Index outside a list: "List index out of bounds (%d)".
class EListError : public Exception {
public:
  using Exception::Exception;
  std::wstring ClassName() const override { return L"EListError"; }
};

// Index outside a collection: "Argument out of range".
class EArgumentOutOfRangeException : public Exception {
public:
  using Exception::Exception;
  std::wstring ClassName() const override { return L"EArgumentOutOfRangeException"; }
};

// A thread that could not be created or resumed.
class EThread : public Exception {
public:
  using Exception::Exception;
  std::wstring ClassName() const override { return L"EThread"; }
};

// The system's text for an error code, without trailing blanks, control
// characters and full stops; empty when the system has none.
std::wstring SystemErrorText(std::uint32_t code);

// Raises EOSError for the calling thread's last error.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(std::uint32_t code);
