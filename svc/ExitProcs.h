// Exit procedures: run once, last registered first, at program end before the
// service host shuts down.
#pragma once

void AddExitProc(void (*Proc)());
void RunExitProcs();
