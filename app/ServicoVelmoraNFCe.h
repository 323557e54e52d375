// The program: start-up, the starter module, the service application's run.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

class TServiceApplication;

// Runs the whole program and returns the process exit code.
int RunServicoVelmoraNFCe();

// The program entry's own steps over a started-up service host: create the
// starter module and run, which initialises (left to the service thread when
// DelayInitialize is set and the process is not installing) once the
// dispatcher's thread has started, or before a registration or removal.
void ServicoVelmoraNFCeMain(TServiceApplication& App);

// The last-resort handler: shows what reached it (standard error in a console
// program, else an "Application Error" box) and returns the exit code, 1.
int HandleLastResort(std::exception_ptr Failure);

// "Exception <class> in module <module> at <address>." CR LF, the message with a
// full stop when it lacks one, CR LF.
std::wstring LastResortText(const std::wstring& ClassName, const std::wstring& Module,
                            std::uintptr_t Address, const std::wstring& Message);
