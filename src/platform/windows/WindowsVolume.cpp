#include "platform/windows/WindowsVolume.h"

#include "platform/windows/WindowsScsiPassThrough.h"

#include <windows.h>
#include <ntddscsi.h>

#include <cstddef>
#include <vector>

namespace platform {

static_assert(IOCTL_SCSI_PASS_THROUGH == kIoctlScsiPassThrough, "the pass-through control code");
#ifdef _WIN64
static_assert(sizeof(SCSI_PASS_THROUGH) == WindowsScsiPassThrough::kNativeHeaderLength
                  && offsetof(SCSI_PASS_THROUGH, DataTransferLength) == WindowsScsiPassThrough::kNativeDataTransferLength
                  && offsetof(SCSI_PASS_THROUGH, TimeOutValue) == WindowsScsiPassThrough::kNativeTimeOutValue
                  && offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == WindowsScsiPassThrough::kNativeDataBufferOffset
                  && offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) == WindowsScsiPassThrough::kNativeSenseInfoOffset
                  && offsetof(SCSI_PASS_THROUGH, Cdb) == WindowsScsiPassThrough::kNativeCdb,
              "the native pass-through layout");
#endif

WindowsVolume::WindowsVolume(const QString &devicePath)
{
    const std::wstring path = devicePath.toStdWString();
    m_handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
}

WindowsVolume::~WindowsVolume()
{
    if (isOpen())
        CloseHandle(m_handle);
}

bool WindowsVolume::isOpen() const
{
    return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr;
}

bool WindowsVolume::deviceIoControl(std::uint32_t code, const void *in, std::uint32_t inLength, void *out,
                                    std::uint32_t outLength, std::uint32_t *bytesReturned)
{
    if (bytesReturned)
        *bytesReturned = 0;
    DWORD returned = 0;
#ifdef _WIN64
    if (code == kIoctlScsiPassThrough && in == out) {
        std::vector<std::uint8_t> native;
        if (!WindowsScsiPassThrough::toNative(static_cast<const std::uint8_t *>(in), outLength, &native)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        const BOOL ok = DeviceIoControl(m_handle, code, native.data(),
                                        WindowsScsiPassThrough::nativeInputLength(inLength), native.data(),
                                        DWORD(native.size()), &returned, nullptr);
        if (ok)
            WindowsScsiPassThrough::fromNative(native, returned, static_cast<std::uint8_t *>(out), outLength,
                                               bytesReturned);
        return ok != FALSE;
    }
#endif
    const BOOL ok = DeviceIoControl(m_handle, code, const_cast<void *>(in), inLength, out, outLength, &returned,
                                    nullptr);
    if (ok && bytesReturned)
        *bytesReturned = returned;
    return ok != FALSE;
}

} // namespace platform
