// Program entry of ServicoVelmoraNFCe.
#include "app/ServicoVelmoraNFCe.h"

#ifdef _WIN32
// Called by the start-up code that -municode links in, which declares it nowhere.
int wmain();
int wmain() { return RunServicoVelmoraNFCe(); }
#else
int main() { return RunServicoVelmoraNFCe(); }
#endif
