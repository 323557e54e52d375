#include "app/ServicoVelmoraNFCe.h"

int RunServicoVelmoraNFCe() { return 0; }
