#pragma once
// The FTDI USB bridge through libftdi1: the first FTDI device attached, or
// the one named by a libftdi description string. Bytes read from the chip are
// kept in a receive buffer so the queue status the link polls is the number
// of bytes already in hand.

#include "platform/DeviceHandle.h"
#include "platform/FtdiDevice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ftdi_context;

namespace platform {

class FtdiLibDevice final : public FtdiDevice {
public:
    // `description` empty: the first FTDI device (index 0 of the FTDI devices
    // attached). Otherwise a libftdi description: "s:VID:PID:SERIAL",
    // "i:VID:PID[:INDEX]" or "d:BUS/ADDR".
    explicit FtdiLibDevice(std::string description = {});
    ~FtdiLibDevice() override;
    FtdiLibDevice(const FtdiLibDevice&) = delete;
    FtdiLibDevice& operator=(const FtdiLibDevice&) = delete;

    FT_STATUS Open(int index, FT_HANDLE& handle) override;
    FT_STATUS Close(FT_HANDLE handle) override;
    FT_STATUS ListDevices(std::uint32_t& count) override;
    FT_STATUS Write(FT_HANDLE handle, std::span<const std::uint8_t> data,
                    std::uint32_t& written) override;
    FT_STATUS Read(FT_HANDLE handle, std::span<std::uint8_t> buffer, std::uint32_t& got) override;
    FT_STATUS GetQueueStatus(FT_HANDLE handle, std::uint32_t& queued) override;
    FT_STATUS WaitForData(FT_HANDLE handle, std::uint32_t atLeast, int milliseconds) override;
    FT_STATUS SetWriteTimeout(FT_HANDLE handle, int milliseconds) override;
    DeviceDescription Describe() const override;

    // The open device's product description and serial number as libftdi1
    // reads them from its string descriptors ("FT232R USB UART",
    // "A50285BI"); empty while no device is open or when the chip has none.
    const std::string& ProductDescription() const { return product_; }
    const std::string& SerialNumber() const { return serial_; }

private:
    struct ContextDeleter {
        void operator()(ftdi_context* context) const;
    };

    bool HaveContext();
    FT_STATUS OpenByIndex(int index);
    FT_STATUS OpenByDescription(int index);
    FT_STATUS Configure();
    // One read from the chip into the receive buffer; returns after about
    // one latency period when the chip has nothing to send.
    FT_STATUS FillReceived();
    void ReadStrings();

    std::string description_;
    std::unique_ptr<ftdi_context, ContextDeleter> context_;
    std::vector<std::uint8_t> received_;
    std::string product_;
    std::string serial_;
    DeviceHandle handle_;
};

} // namespace platform
