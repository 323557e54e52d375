#include "svc/ServiceStartThread.h"

#include "platform/Application.h"
#include "util/Exceptions.h"

TServiceStartThread::TServiceStartThread(TServiceTableEntryArray Services)
    : FServiceStartTable(std::move(Services)), FApplication(platform::Application) {
  std::wstring error;
  FThread = platform::Thread::Create(
      [this] {
        Execute();
        DoTerminate();
      },
      false, error);
  if (!FThread) throw EThread(L"Thread creation error: " + error);
}

TServiceStartThread::~TServiceStartThread() { FThread.reset(); }

bool TServiceStartThread::Finished() const { return FThread->Finished(); }

void TServiceStartThread::Execute() {
  const bool ok = platform::StartServiceCtrlDispatcher(FServiceStartTable->data());
  // The error is read before anything else can overwrite it.
  FReturnValue = ok ? 0 : static_cast<std::int32_t>(platform::LastError());
}

void TServiceStartThread::DoTerminate() {
  // The only signal to the main thread: its loop ends on this message. It goes
  // to the thread's queue, not to the window, which may not exist yet when the
  // dispatcher fails at once.
  if (FApplication) FApplication->PostQuitToMainThread();
}
