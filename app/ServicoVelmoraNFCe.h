// The program: start-up, the starter module, the service application's run.
#pragma once

// Runs the whole program and returns the process exit code.
int RunServicoVelmoraNFCe();
