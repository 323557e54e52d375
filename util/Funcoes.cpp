#include "util/Funcoes.h"

std::wstring vTagLog;
