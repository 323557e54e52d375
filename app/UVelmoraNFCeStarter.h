// UVelmoraNFCeStarter: the program's one service. Each start launches the NFC-e
// emitter API that lies beside the executable, hidden, and then lets the service
// stop; the API goes on as a process of its own.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "platform/ServiceManager.h"
#include "svc/Service.h"

class TVelmoraNFCeStarter : public TService {
public:
  // Applies the starter's definition over the service defaults.
  explicit TVelmoraNFCeStarter(TComponent* AOwner);
  std::wstring ClassName() const override { return L"TVelmoraNFCeStarter"; }

  platform::HandlerFunction GetServiceController() override;

  // The OnExecute handler, run on the service thread.
  void ServiceExecute(TService* Sender);

  // The /INSTALL result's note: the write-access warning for the emitter's
  // folder, or empty.
  std::wstring InstallWarning() override;

private:
  // Who besides the system's own accounts can change the folder or the
  // emitter: one ALERTA line and one warning entry when anyone can. Run after
  // the launch, never before it, and it never refuses it.
  void VerificaPermissoes(const std::wstring& pPasta);

  // Folder of the running executable, ending in its separator.
  std::wstring GetPastaExecutavel() const;
};

// The one starter of the process; set by the program entry before the service
// manager can call ServiceControlHandler.
extern TVelmoraNFCeStarter* StarterInstance;

// The control-handler entry registered with the service manager. The platform
// gives it no context, so it reaches the service through StarterInstance.
void VELMORA_WINAPI ServiceControlHandler(std::uint32_t CtrlCode);
