// Program entry of ServicoVelmoraNFCe.
#include "app/ServicoVelmoraNFCe.h"
#include "platform/Process.h"

#ifdef _WIN32
int wmain() {
#else
int main() {
#endif
  platform::RestrictDllSearch();
  return RunServicoVelmoraNFCe();
}
