#pragma once
// The D2XX calls of the program, bound at start-up to one backend (libftdi1,
// a serial character device or the simulated host), and the program-wide
// device handle they pass.

#include "platform/FtdiDevice.h"

#include <memory>

using platform::FT_HANDLE;
using platform::FT_STATUS;

// The open device's handle; 0 when no device is open.
extern FT_HANDLE FtHandle;

// Installs the backend every FT_ call goes to. Without one, every call
// answers "Device Not Found" (an open) or "Invalid Handle" (the rest).
void SetFtdiBackend(std::shared_ptr<platform::FtdiDevice> backend);
platform::FtdiDevice* FtdiBackend();

FT_STATUS FT_Open(int index, FT_HANDLE& handle);
FT_STATUS FT_Close(FT_HANDLE handle);
FT_STATUS FT_ListDevices(std::uint32_t& count, std::uint32_t flags);
FT_STATUS FT_Write(FT_HANDLE handle, std::span<const std::uint8_t> data, std::uint32_t& written);
FT_STATUS FT_Read(FT_HANDLE handle, std::span<std::uint8_t> buffer, std::uint32_t& got);
FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t& queued);
// Sleeps until at least `atLeast` bytes are queued, or `milliseconds` pass.
FT_STATUS FT_WaitForData(FT_HANDLE handle, std::uint32_t atLeast, int milliseconds);
// True only when the backend knows no byte is on its way (see FtdiDevice).
bool FT_NothingUnderWay(FT_HANDLE handle);
// The read time-out is not used (reads only take bytes already queued); a
// write that cannot finish within `writeMs` fails.
FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readMs, std::uint32_t writeMs);
