#include "svc/Service.h"

#include "svc/EventLogger.h"
#include "svc/ServiceThread.h"
#include "util/Exceptions.h"

TDependency* TDependencies::Add() {
  FItems.push_back(std::make_unique<TDependency>());
  return FItems.back().get();
}

TDependency* TDependencies::GetItem(int Index) const {
  if (Index < 0 || Index >= Count()) throw EArgumentOutOfRangeException(L"Argument out of range");
  return FItems[static_cast<std::size_t>(Index)].get();
}

void TDependencies::SetItem(int Index, const TDependency& Value) {
  TDependency* item = GetItem(Index);
  item->SetName(Value.Name());
  item->SetIsGroup(Value.IsGroup());
}

TService::TService(TComponent* AOwner)
    : TComponent(AOwner), FDependencies(std::make_unique<TDependencies>(this)) {}

TService::~TService() {
  // The dependency list, the parameters, then the event-log writer; the service
  // thread is not ours to free here: the run-time has released it by now.
  FDependencies.reset();
  FParams.clear();
  FEventLogger.reset();
}

void TService::SetDependencies(const TDependencies& Value) {
  if (&Value == FDependencies.get()) return;
  FDependencies->Clear();
  for (int i = 0; i < Value.Count(); ++i) {
    TDependency* item = FDependencies->Add();
    item->SetName(Value.GetItem(i)->Name());
    item->SetIsGroup(Value.GetItem(i)->IsGroup());
  }
}

std::wstring TService::DisplayName() const { return FDisplayName.empty() ? Name() : FDisplayName; }

// Interactive, Password and ServiceStartName keep one invariant: an interactive
// service runs under the system account, so it has neither account nor password.
void TService::SetInteractive(bool Value) {
  if (Value == FInteractive) return;
  if (Value) {
    SetPassword(std::wstring());
    SetServiceStartName(std::wstring());
  }
  FInteractive = Value;
}

void TService::SetPassword(const std::wstring& Value) {
  if (Value == FPassword) return;
  if (!Value.empty()) SetInteractive(false);
  FPassword = Value;
}

void TService::SetServiceStartName(const std::wstring& Value) {
  if (Value == FServiceStartName) return;
  if (!Value.empty()) SetInteractive(false);
  FServiceStartName = Value;
}

void TService::SetOnContinue(TContinueEvent Value) {
  FOnContinue = std::move(Value);
  FAllowPause = true;
}

void TService::SetOnPause(TPauseEvent Value) {
  FOnPause = std::move(Value);
  FAllowPause = true;
}

void TService::SetOnStop(TStopEvent Value) {
  FOnStop = std::move(Value);
  FAllowStop = true;
}

std::wstring TService::GetParam(int Index) const {
  if (Index < 0 || Index >= ParamCount())
    throw EListError(L"List index out of bounds (" + std::to_wstring(Index) + L")");
  return FParams[static_cast<std::size_t>(Index)];
}

TServiceThread* TService::ServiceThread() const {
  std::lock_guard<std::mutex> lock(FServiceThreadLock);
  return FServiceThread.get();
}

bool TService::Terminated() const {
  std::lock_guard<std::mutex> lock(FServiceThreadLock);
  return FServiceThread && FServiceThread->Terminated();
}
