#pragma once
// The device seam of the link: a small interface shaped like the D2XX calls
// the link makes. Every backend (libftdi1, a serial character device, the
// simulated host) returns D2XX status codes so the link's texts and log lines
// stay the same whichever backend is in use.

#include <cstdint>
#include <span>
#include <string>

namespace platform {

using FT_HANDLE = std::uint32_t;
using FT_STATUS = std::uint32_t;

enum FtStatusCode : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_NOT_SUPPORTED = 17,
    FT_OTHER_ERROR = 18,
};

// Flag of FT_ListDevices asking for the number of attached devices only.
inline constexpr std::uint32_t FT_LIST_NUMBER_ONLY = 0x80000000u;

// What a backend reaches, in the terms the operator knows it by.
struct DeviceDescription {
    enum class Kind { Unknown, Ftdi, Tty, Simulated };
    Kind kind = Kind::Unknown;
    std::string product; // Ftdi: the open chip's description ("FT232R USB UART")
    std::string serial;  // Ftdi: the open chip's serial number
    std::string path;    // Tty: the device path
    int baud = 0;        // Tty: the line speed
};

class FtdiDevice {
public:
    virtual ~FtdiDevice() = default;

    // Opens device number `index`; on success `handle` is non-zero.
    virtual FT_STATUS Open(int index, FT_HANDLE& handle) = 0;
    virtual FT_STATUS Close(FT_HANDLE handle) = 0;
    // Number of attached devices this backend can reach.
    virtual FT_STATUS ListDevices(std::uint32_t& count) = 0;
    virtual FT_STATUS Write(FT_HANDLE handle, std::span<const std::uint8_t> data,
                            std::uint32_t& written) = 0;
    // Reads at most buffer.size() bytes that have already arrived; never
    // waits for more than a short device latency.
    virtual FT_STATUS Read(FT_HANDLE handle, std::span<std::uint8_t> buffer,
                           std::uint32_t& got) = 0;
    // Number of received bytes waiting to be read.
    virtual FT_STATUS GetQueueStatus(FT_HANDLE handle, std::uint32_t& queued) = 0;
    // Sleeps until at least `atLeast` received bytes are waiting or
    // `milliseconds` have passed, whichever comes first. Bytes already
    // waiting below that count do not end the sleep: a reply that arrives
    // piece by piece is waited for without spinning.
    virtual FT_STATUS WaitForData(FT_HANDLE handle, std::uint32_t atLeast, int milliseconds) = 0;
    // Longest time a write may wait for the device to take its bytes (as
    // D2XX's FT_SetTimeouts); a write that cannot finish within it fails
    // with FT_FAILED_TO_WRITE_DEVICE. Backends whose writes never wait
    // ignore it.
    virtual FT_STATUS SetWriteTimeout(FT_HANDLE handle, int milliseconds) {
        static_cast<void>(handle);
        static_cast<void>(milliseconds);
        return FT_OK;
    }
    // True only when the backend knows for certain that no byte is on its
    // way to the PC (a host simulated in this process, whose replies it
    // holds). A real line can never tell: a reply to a request that gave up,
    // this process's or an earlier one's, may still be coming, so it says
    // false and the link waits for the line to fall quiet.
    virtual bool NothingUnderWay(FT_HANDLE handle) const {
        static_cast<void>(handle);
        return false;
    }
    // What this backend is (and, once open, which device it holds).
    virtual DeviceDescription Describe() const { return {}; }
};

} // namespace platform
