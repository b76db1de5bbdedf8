#include "link/codeFTDIDirect.h"

FT_HANDLE FtHandle = 0;

namespace {
std::shared_ptr<platform::FtdiDevice>& Backend() {
    static std::shared_ptr<platform::FtdiDevice> backend;
    return backend;
}
} // namespace

void SetFtdiBackend(std::shared_ptr<platform::FtdiDevice> backend) {
    Backend() = std::move(backend);
}

platform::FtdiDevice* FtdiBackend() {
    return Backend().get();
}

FT_STATUS FT_Open(int index, FT_HANDLE& handle) {
    if (!Backend()) {
        handle = 0;
        return platform::FT_DEVICE_NOT_FOUND;
    }
    return Backend()->Open(index, handle);
}

FT_STATUS FT_Close(FT_HANDLE handle) {
    return Backend() ? Backend()->Close(handle) : platform::FT_INVALID_HANDLE;
}

FT_STATUS FT_ListDevices(std::uint32_t& count, std::uint32_t flags) {
    if (flags != platform::FT_LIST_NUMBER_ONLY) {
        return platform::FT_NOT_SUPPORTED;
    }
    if (!Backend()) {
        count = 0;
        return platform::FT_OK;
    }
    return Backend()->ListDevices(count);
}

FT_STATUS FT_Write(FT_HANDLE handle, std::span<const std::uint8_t> data, std::uint32_t& written) {
    written = 0;
    return Backend() ? Backend()->Write(handle, data, written) : platform::FT_INVALID_HANDLE;
}

FT_STATUS FT_Read(FT_HANDLE handle, std::span<std::uint8_t> buffer, std::uint32_t& got) {
    got = 0;
    return Backend() ? Backend()->Read(handle, buffer, got) : platform::FT_INVALID_HANDLE;
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t& queued) {
    queued = 0;
    return Backend() ? Backend()->GetQueueStatus(handle, queued) : platform::FT_INVALID_HANDLE;
}

FT_STATUS FT_WaitForData(FT_HANDLE handle, std::uint32_t atLeast, int milliseconds) {
    return Backend() ? Backend()->WaitForData(handle, atLeast, milliseconds)
                     : platform::FT_INVALID_HANDLE;
}

bool FT_NothingUnderWay(FT_HANDLE handle) {
    return Backend() != nullptr && Backend()->NothingUnderWay(handle);
}

FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readMs, std::uint32_t writeMs) {
    static_cast<void>(readMs);
    if (writeMs == 0 || writeMs > 0x7FFFFFFFu) {
        return platform::FT_INVALID_PARAMETER;
    }
    return Backend() ? Backend()->SetWriteTimeout(handle, static_cast<int>(writeMs))
                     : platform::FT_INVALID_HANDLE;
}
