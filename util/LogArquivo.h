// Util.LogArquivo: the daily log file of the process.
//
// Every logging call hands its entry to a writer thread of its own and returns
// at once; the writer opens the day's file exclusively, appends one line and
// closes it. Writers of this process take turns in the order their entries
// were logged, so the lines of a process keep that order in the file and in
// the event log, and only a holder outside the process (another program,
// another process of ours) can make an entry retry its open. A line that
// cannot reach the file (after 16 attempts, or when the folder cannot be had,
// or when the disk takes only part of it, which is then cut off) goes to the
// event log instead, as a warning under the executable's file name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "util/Enum.h"
#include "util/Exceptions.h"
#include "util/Object.h"

class TLogArquivo : public TObject {
public:
  // An empty prefix selects the executable's file name without its extension.
  explicit TLogArquivo(const std::wstring& pPrefixoLog = std::wstring());
  ~TLogArquivo() override;  // queues "**** Log finalizado ****" then releases at once
  TLogArquivo(const TLogArquivo&) = delete;
  TLogArquivo& operator=(const TLogArquivo&) = delete;

  std::wstring ClassName() const override { return L"TLogArquivo"; }

  // Each queues one entry and returns without waiting for the disk. They raise
  // EThread only when the writer thread cannot be made (the entry is lost).
  void Debug(const TObject* pObj, const std::wstring& pTexto);
  void Info(const TObject* pObj, const std::wstring& pTexto);
  void Alerta(const TObject* pObj, const std::wstring& pTexto);
  void Erro(const TObject* pObj, const std::wstring& pTexto);
  void AlertaExcecao(const TObject* pObj, const Exception& E);
  void ErroExcecao(const TObject* pObj, const Exception& E);

  // Full path of today's file; moves to another day's file when the local
  // date differs from the one the name was built for, backwards too.
  std::wstring NomeLog() const;
  bool LogAtivo() const;
  void SetLogAtivo(bool Value);

  // Naming state shared with the entries still pending, so they outlive the logger.
  struct TEstadoLog;

private:
  void EscreveLog(const TObject* pObj, TTipoLog pTipo, const std::wstring& pTexto);

  std::shared_ptr<TEstadoLog> FEstado;
};

// The process's logger, created on the first call (one instance even when
// threads race for it).
TLogArquivo* GetLog();

// Empties the accessor, then releases the instance; the unit's shutdown at
// process exit, and a fresh start for tests.
void ReleaseLog();

// The parts of a line that do not depend on the moment of writing; the writer
// puts the time stamp "yyyy-mm-dd hh:nn:ss" before them and CR LF after.
// The source field: "*" without an object, else its class name padded with
// blanks to 32 characters (longer names are kept whole).
std::wstring FonteLog(const TObject* pObj);
// " <tag> <thread id, 8 upper-case hex digits> <level label> : [<source>] <text>"
std::wstring CaudaLinhaLog(const std::wstring& pTag, std::uint32_t pThread,
                           const std::wstring& pRotulo, const std::wstring& pFonte,
                           const std::wstring& pTexto);

// Writer threads started and not yet finished, in the whole process.
std::size_t LogWritersRunning();

// Entries that could not be written to the file and went to the event log
// instead, since the process started.
std::size_t LogEntriesToEventLog();

// Failed open attempts of writer threads since the process started. Writers
// of this process never refuse each other, so only outside holders, missing
// folders and the like add to it.
std::size_t LogOpensRefused();
