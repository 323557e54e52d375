// Program entry of ServicoVelmoraNFCe.
#include "app/ServicoVelmoraNFCe.h"

#ifdef _WIN32
int wmain() { return RunServicoVelmoraNFCe(); }
#else
int main() { return RunServicoVelmoraNFCe(); }
#endif
