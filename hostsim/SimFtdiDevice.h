#pragma once
// The simulated host behind the D2XX-shaped device seam, so the program's
// own link code talks to it exactly as to an FTDI device.
//
// Handle rules: Open(0) gives a fresh non-zero handle (one open at a time;
// a second Open while open answers FT_DEVICE_NOT_OPENED, any other index
// FT_DEVICE_NOT_FOUND); a zero, stale or foreign handle gets
// FT_INVALID_HANDLE. While the host is unplugged ListDevices counts 0, Open
// answers FT_DEVICE_NOT_FOUND and every call on an open handle answers
// FT_IO_ERROR - except that Close still releases the handle, so a program
// can always let go of a device that has gone away. As with a real device, a
// handle opened before the host was unplugged keeps failing after it is
// plugged in again: the program must open it anew.

#include "hostsim/SimulatedHost.h"
#include "platform/FtdiDevice.h"

#include <memory>

namespace hostsim {

class SimFtdiDevice : public platform::FtdiDevice {
public:
    explicit SimFtdiDevice(std::shared_ptr<SimulatedHost> host);

    platform::FT_STATUS Open(int index, platform::FT_HANDLE& handle) override;
    platform::FT_STATUS Close(platform::FT_HANDLE handle) override;
    platform::FT_STATUS ListDevices(std::uint32_t& count) override;
    platform::FT_STATUS Write(platform::FT_HANDLE handle, std::span<const std::uint8_t> data,
                              std::uint32_t& written) override;
    platform::FT_STATUS Read(platform::FT_HANDLE handle, std::span<std::uint8_t> buffer,
                             std::uint32_t& got) override;
    platform::FT_STATUS GetQueueStatus(platform::FT_HANDLE handle, std::uint32_t& queued) override;
    platform::FT_STATUS WaitForData(platform::FT_HANDLE handle, std::uint32_t atLeast,
                                    int milliseconds) override;
    bool NothingUnderWay(platform::FT_HANDLE handle) const override;
    platform::DeviceDescription Describe() const override;

    SimulatedHost& Host();

private:
    // FT_OK when `handle` is the open one and the device is present.
    platform::FT_STATUS Check(platform::FT_HANDLE handle) const;

    std::shared_ptr<SimulatedHost> host_;
    platform::FT_HANDLE open_ = 0;       // 0 while closed
    platform::FT_HANDLE lastHandle_ = 0; // handles are never reused
    unsigned openedAfter_ = 0;           // the host's unpluggings at the open
};

} // namespace hostsim
