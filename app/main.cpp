// Program entry of ServicoVelmoraNFCe.
#include "app/ServicoVelmoraNFCe.h"
#include "platform/Process.h"

#ifdef _WIN32
// Called by the start-up code that -municode links in, which declares it nowhere.
int wmain();
int wmain() {
#else
int main() {
#endif
  platform::RestrictDllSearch();
  return RunServicoVelmoraNFCe();
}
