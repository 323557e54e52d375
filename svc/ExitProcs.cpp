#include "svc/ExitProcs.h"

#include <algorithm>
#include <vector>

namespace {
std::vector<void (*)()>& ExitProcs() {
  static std::vector<void (*)()> procs;
  return procs;
}
}  // namespace

void AddExitProc(void (*Proc)()) {
  auto& procs = ExitProcs();
  if (std::find(procs.begin(), procs.end(), Proc) == procs.end()) procs.push_back(Proc);
}

void RunExitProcs() {
  auto& procs = ExitProcs();
  while (!procs.empty()) {
    void (*proc)() = procs.back();
    procs.pop_back();
    proc();
  }
}
