// The operating-system seam: what every concern header shares.
// Nothing outside platform/ includes <windows.h> or POSIX headers; code above
// this line speaks to the system only through the headers of this folder.
#pragma once

#include <cstdint>
#include <string>

#if defined(_WIN32) && !defined(_WIN64)
#define VELMORA_WINAPI __stdcall
#else
#define VELMORA_WINAPI
#endif

namespace platform {

// Pointer-sized, so handles survive the 32/64-bit builds unchanged.
using Handle = std::uintptr_t;

// Error codes of the platform that the program's logic names.
namespace error {
constexpr std::uint32_t Success = 0;
constexpr std::uint32_t FileNotFound = 2;
constexpr std::uint32_t PathNotFound = 3;
constexpr std::uint32_t AccessDenied = 5;
constexpr std::uint32_t InvalidHandle = 6;
constexpr std::uint32_t NotEnoughMemory = 8;
constexpr std::uint32_t BadFormat = 11;
constexpr std::uint32_t OutOfMemory = 14;
constexpr std::uint32_t SharingViolation = 32;
constexpr std::uint32_t InvalidParameter = 87;
constexpr std::uint32_t DiskFull = 112;
constexpr std::uint32_t InvalidName = 123;
constexpr std::uint32_t BadPathname = 161;
constexpr std::uint32_t AlreadyExists = 183;
constexpr std::uint32_t InvalidServiceControl = 1052;
constexpr std::uint32_t ServiceAlreadyRunning = 1056;
constexpr std::uint32_t ServiceDoesNotExist = 1060;
constexpr std::uint32_t ServiceNotActive = 1062;
constexpr std::uint32_t FailedServiceControllerConnect = 1063;
constexpr std::uint32_t ExceptionInService = 1064;
constexpr std::uint32_t ServiceSpecificError = 1066;
constexpr std::uint32_t ServiceMarkedForDelete = 1072;
constexpr std::uint32_t ServiceExists = 1073;
constexpr std::uint32_t NoAssociation = 1155;
constexpr std::uint32_t InvalidWindowHandle = 1400;
constexpr std::uint32_t InvalidThreadId = 1444;
}  // namespace error

// The calling thread's last error (GetLastError / SetLastError).
std::uint32_t LastError();
void SetLastError(std::uint32_t code);

// The system's message text for an error code, as the platform gives it
// (FormatMessageW, FROM_SYSTEM, inserts ignored); empty when it has none.
std::wstring SystemMessage(std::uint32_t code);

}  // namespace platform
