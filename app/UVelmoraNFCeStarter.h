// UVelmoraNFCeStarter: the program's one service. Each start launches the NFC-e
// emitter API that lies beside the executable, hidden, and then lets the service
// stop; the API goes on as a process of its own. In watch mode (Parameters\Watch
// = 1) the service stays running instead: it adopts an emitter that already
// runs or launches one, and launches it again whenever it ends, after a delay
// that grows while it keeps failing. It never ends the emitter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/ProcessWatch.h"
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

  // The one launch of both modes: the "Executando API: " line, the shell, the
  // "Retorno: " line, and the failure. Without pProcesso (the described mode)
  // a refused launch or a failure becomes the service's exit code; with it
  // (watch mode) the process handle lands there and the caller deals with a
  // failure. The shell's value, or nullopt when the launch raised a failure.
  std::optional<std::intptr_t> ExecutaAPI(const std::wstring& pCaminho,
                                          platform::ProcessHandle* pProcesso);

  // Watch mode, until a stop or shutdown request.
  void VigiaAPI(const std::wstring& pCaminho);
  // Runs the control requests queued for the service thread; true once a stop
  // or shutdown has been run.
  bool PararPedido();
  // The delay before the next launch; false when a stop came during it.
  bool Espera(std::uint32_t pAtrasoMs);
};

// The one starter of the process; set by the program entry before the service
// manager can call ServiceControlHandler.
extern TVelmoraNFCeStarter* StarterInstance;

// The control-handler entry registered with the service manager. The platform
// gives it no context, so it reaches the service through StarterInstance.
void VELMORA_WINAPI ServiceControlHandler(std::uint32_t CtrlCode);
