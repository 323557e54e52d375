// The service application's ownership of the services. The mode choice, the
// dispatcher's start thread and installation live in their own files.
#include "svc/ServiceApplication.h"

#include "platform/Application.h"
#include "platform/Process.h"
#include "svc/EventLogger.h"
#include "svc/Service.h"

TServiceApplication* ServiceApplication = nullptr;

namespace {
// The executable's file name, extension kept, folder dropped: the event source
// under which the application's own entries appear.
std::wstring ExecutableFileName() {
  const std::wstring path = platform::ModuleFileName();
  const std::size_t cut = path.find_last_of(L"\\:");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}
}  // namespace

TServiceApplication::TServiceApplication(TComponent* AOwner)
    : TComponent(AOwner),
      FDelayInitialize(false),
      FEventLogger(std::make_unique<TEventLogger>(ExecutableFileName())),
      FInitialized(false) {
  HookWindowedApplication();  // ClaimEndSession (svc/ServiceApplicationRun.cpp)
}

TServiceApplication::~TServiceApplication() {
  // The logger goes first, deregistering its source; the services go with the
  // component base.
  std::unique_ptr<TEventLogger> logger = std::move(FEventLogger);
  logger.reset();
  // OnException cleared, ClaimEndSession unhooked (svc/ServiceApplicationRun.cpp).
  UnhookWindowedApplication();
}

void TServiceApplication::Initialize() {
  if (FInitialized) return;
  FInitialized = true;
  // The windowed application: no main form shown, COM for the calling thread.
  if (platform::Application) {
    platform::Application->SetShowMainForm(false);
    platform::Application->Initialize();
  }
}

int TServiceApplication::ServiceCount() const {
  int count = 0;
  for (int i = 0; i < ComponentCount(); ++i)
    if (dynamic_cast<TService*>(Components(i)) != nullptr) ++count;
  return count;
}

TService* TServiceApplication::Services(int Index) const {
  for (int i = 0; i < ComponentCount(); ++i) {
    TService* service = dynamic_cast<TService*>(Components(i));
    if (service != nullptr && Index-- == 0) return service;
  }
  return nullptr;
}
