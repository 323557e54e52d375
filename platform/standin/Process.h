// Test controls of the stand-in process facts.
#pragma once

#include <optional>
#include <string>

namespace platform::standin {

// Replaces what ModuleFileName returns (a Windows-like path such as
// L"C:\\Apps\\Nfce\\ServicoVelmoraNFCe.exe"); nullopt restores the real one.
void SetModuleFileName(std::optional<std::wstring> path);

// Replaces what CommandLine returns; nullopt restores the real one.
void SetCommandLine(std::optional<std::wstring> line);

}  // namespace platform::standin
