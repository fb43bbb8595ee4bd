#pragma once
#include <cstdint>

// Status codes of the platform calls, in the platform's own numbering (0 is success).
// The names avoid the Windows macros so that the Windows backend can include both.
namespace platform {

using HResult = std::int32_t;

constexpr HResult kSOk = 0;
constexpr HResult kENotImpl = HResult(0x80004001u);
constexpr HResult kENoInterface = HResult(0x80004002u);
constexpr HResult kEPointer = HResult(0x80004003u);
constexpr HResult kEFail = HResult(0x80004005u);
constexpr HResult kEInvalidArg = HResult(0x80070057u);
constexpr HResult kEAccessDenied = HResult(0x80070005u);
// HRESULT_FROM_WIN32(ERROR_GEN_FAILURE): a device that stopped answering.
constexpr HResult kErrorGenFailure = HResult(0x8007001Fu);
// HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED): a device that left the bus.
constexpr HResult kErrorDeviceNotConnected = HResult(0x8007048Fu);
// HRESULT_FROM_WIN32(ERROR_SEM_TIMEOUT): a request the device never answered.
constexpr HResult kErrorSemTimeout = HResult(0x80070079u);

inline bool succeeded(HResult hr) { return hr >= 0; }
inline bool failed(HResult hr) { return hr < 0; }

} // namespace platform
