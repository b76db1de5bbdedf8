#pragma once
// A serial character device used as the link's device: the kernel's
// ftdi_sio port (/dev/ttyUSB0) or any pseudo-terminal, such as the one the
// simulated host serves. Raw 8N1, no flow control, non-blocking; waits are
// poll() calls, so nothing spins.

inline constexpr int kDefaultTtyWriteTimeoutMs = 2000;

#include "platform/DeviceHandle.h"
#include "platform/FtdiDevice.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

inline constexpr int kDefaultTtyBaud = 9600;

// True for the rates a tty can be set to here (300 to 230400 baud).
bool IsSupportedTtyBaud(int baud);

class TtyDevice final : public FtdiDevice {
public:
    explicit TtyDevice(std::string path, int baud = kDefaultTtyBaud);
    // A write that makes no progress for kDefaultTtyWriteTimeoutMs (or the
    // time given to SetWriteTimeout) fails.
    ~TtyDevice() override;
    TtyDevice(const TtyDevice&) = delete;
    TtyDevice& operator=(const TtyDevice&) = delete;

    const std::string& Path() const { return path_; }
    int Baud() const { return baud_; }

    // Only index 0 exists. Status 2 when the path is missing, 3 when it
    // cannot be opened or is not a terminal, 7 for an unsupported baud rate.
    FT_STATUS Open(int index, FT_HANDLE& handle) override;
    FT_STATUS Close(FT_HANDLE handle) override;
    // 1 when the path exists, else 0.
    FT_STATUS ListDevices(std::uint32_t& count) override;
    FT_STATUS Write(FT_HANDLE handle, std::span<const std::uint8_t> data,
                    std::uint32_t& written) override;
    FT_STATUS Read(FT_HANDLE handle, std::span<std::uint8_t> buffer, std::uint32_t& got) override;
    FT_STATUS GetQueueStatus(FT_HANDLE handle, std::uint32_t& queued) override;
    FT_STATUS WaitForData(FT_HANDLE handle, std::uint32_t atLeast, int milliseconds) override;
    FT_STATUS SetWriteTimeout(FT_HANDLE handle, int milliseconds) override;
    DeviceDescription Describe() const override;

private:
    bool HungUp() const;
    // Moves what the kernel has received into held_; false when the line
    // has hung up.
    bool TakeFromKernel();


    std::string path_;
    int baud_;
    int fd_ = -1;
    DeviceHandle handle_;
    int writeTimeoutMs_;
    // Received bytes taken from the kernel while waiting for more: poll()
    // wakes on any waiting byte, so a wait for more than are already there
    // has to empty the kernel's queue first. Reads and the queue count
    // include them.
    std::vector<std::uint8_t> held_;
};

} // namespace platform
