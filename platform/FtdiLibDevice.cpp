#include "platform/FtdiLibDevice.h"

#include <libftdi1/ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <utility>

namespace platform {

namespace {

constexpr int kFtdiVendor = 0x0403;
// 1 ms: the chip then answers every bulk read within a millisecond, which is
// what lets the reply wait sleep in about 1 ms steps.
constexpr unsigned char kLatencyTimerMs = 1;
// The chip's power-on rate; the host link has always run at it, since the
// device was never given another.
constexpr int kBaudRate = 9600;
// A read normally returns after one latency period; this only bounds a chip
// that stops answering.
constexpr int kUsbReadTimeoutMs = 100;
// Bytes kept in hand at most; beyond this the chip holds the rest.
constexpr std::size_t kReceiveLimit = 64 * 1024;
constexpr std::size_t kReadChunk = 4096;

struct DeviceListDeleter {
    void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};
using DeviceList = std::unique_ptr<libusb_device*, DeviceListDeleter>;

bool IsFtdi(libusb_device* device) {
    libusb_device_descriptor descriptor{};
    return libusb_get_device_descriptor(device, &descriptor) == 0 &&
           descriptor.idVendor == kFtdiVendor;
}

// Status of ftdi_usb_open_string: -3 nothing matches, -11 a description
// libftdi cannot parse, -12/-2 the USB bus could not be listed; every other
// failure found the device but could not open, claim or set it up.
FT_STATUS OpenStringStatus(int result) {
    switch (result) {
    case -3:
        return FT_DEVICE_NOT_FOUND;
    case -11:
        return FT_INVALID_PARAMETER;
    case -2:
    case -12:
        return FT_IO_ERROR;
    default:
        return FT_DEVICE_NOT_OPENED;
    }
}

} // namespace

void FtdiLibDevice::ContextDeleter::operator()(ftdi_context* context) const {
    ftdi_free(context);
}

FtdiLibDevice::FtdiLibDevice(std::string description) : description_(std::move(description)) {}

FtdiLibDevice::~FtdiLibDevice() {
    // ftdi_free alone would not give the port back to the kernel driver.
    if (handle_.IsOpen()) {
        ftdi_usb_close(context_.get());
    }
}

bool FtdiLibDevice::HaveContext() {
    if (!context_) {
        // Null when libusb cannot start (no USB at all, e.g. in a container):
        // then there is simply no device to reach.
        context_.reset(ftdi_new());
    }
    return context_ != nullptr;
}

FT_STATUS FtdiLibDevice::Open(int index, FT_HANDLE& handle) {
    if (handle_.IsOpen()) {
        handle = 0;
        return FT_DEVICE_NOT_OPENED;
    }
    handle = 0;
    if (index < 0 || !HaveContext()) {
        return FT_DEVICE_NOT_FOUND;
    }
    // Unbind ftdi_sio while the program holds the device, and bind it again
    // at close so /dev/ttyUSB* comes back.
    context_->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    context_->usb_read_timeout = kUsbReadTimeoutMs;

    const FT_STATUS opened = description_.empty() ? OpenByIndex(index) : OpenByDescription(index);
    if (opened != FT_OK) {
        return opened;
    }
    if (const FT_STATUS configured = Configure(); configured != FT_OK) {
        ftdi_usb_close(context_.get());
        return configured;
    }
    received_.clear();
    ReadStrings();
    handle = handle_.Issue();
    return FT_OK;
}

DeviceDescription FtdiLibDevice::Describe() const {
    DeviceDescription description;
    description.kind = DeviceDescription::Kind::Ftdi;
    description.product = product_;
    description.serial = serial_;
    return description;
}

void FtdiLibDevice::ReadStrings() {
    // The strings say which bridge is in use; a chip without them is still
    // usable, so a failure leaves them empty.
    std::array<char, 128> product{};
    std::array<char, 128> serial{};
    libusb_device* const device = libusb_get_device(context_->usb_dev);
    if (device != nullptr &&
        ftdi_usb_get_strings2(context_.get(), device, nullptr, 0, product.data(),
                              static_cast<int>(product.size()), serial.data(),
                              static_cast<int>(serial.size())) == 0) {
        product_ = product.data();
        serial_ = serial.data();
    }
}

FT_STATUS FtdiLibDevice::OpenByIndex(int index) {
    libusb_device** raw = nullptr;
    const ssize_t total = libusb_get_device_list(context_->usb_ctx, &raw);
    if (total < 0) {
        return FT_IO_ERROR;
    }
    const DeviceList devices(raw);
    int seen = 0;
    for (ssize_t i = 0; i < total; ++i) {
        if (!IsFtdi(raw[i])) {
            continue;
        }
        if (seen++ == index) {
            return ftdi_usb_open_dev(context_.get(), raw[i]) == 0 ? FT_OK : FT_DEVICE_NOT_OPENED;
        }
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS FtdiLibDevice::OpenByDescription(int index) {
    // A description names one device; there is no second one behind it.
    if (index != 0) {
        return FT_DEVICE_NOT_FOUND;
    }
    const int result = ftdi_usb_open_string(context_.get(), description_.c_str());
    return result == 0 ? FT_OK : OpenStringStatus(result);
}

FT_STATUS FtdiLibDevice::Configure() {
    ftdi_context* const context = context_.get();
    const bool ok = ftdi_set_bitmode(context, 0xFF, BITMODE_RESET) == 0 &&
                    ftdi_set_latency_timer(context, kLatencyTimerMs) == 0 &&
                    ftdi_set_baudrate(context, kBaudRate) == 0 &&
                    ftdi_set_line_property(context, BITS_8, STOP_BIT_1, NONE) == 0 &&
                    ftdi_setflowctrl(context, SIO_DISABLE_FLOW_CTRL) == 0 &&
                    ftdi_tciflush(context) == 0 && ftdi_tcoflush(context) == 0;
    return ok ? FT_OK : FT_IO_ERROR;
}

FT_STATUS FtdiLibDevice::Close(FT_HANDLE handle) {
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    handle_.Release();
    received_.clear();
    product_.clear();
    serial_.clear();
    return ftdi_usb_close(context_.get()) == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS FtdiLibDevice::ListDevices(std::uint32_t& count) {
    count = 0;
    if (!HaveContext()) {
        return FT_OK;
    }
    libusb_device** raw = nullptr;
    const ssize_t total = libusb_get_device_list(context_->usb_ctx, &raw);
    if (total < 0) {
        return FT_IO_ERROR;
    }
    const DeviceList devices(raw);
    count = static_cast<std::uint32_t>(
        std::count_if(raw, raw + total, [](libusb_device* device) { return IsFtdi(device); }));
    return FT_OK;
}

FT_STATUS FtdiLibDevice::Write(FT_HANDLE handle, std::span<const std::uint8_t> data,
                               std::uint32_t& written) {
    written = 0;
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    if (data.size() > static_cast<std::size_t>(INT_MAX)) {
        return FT_INVALID_PARAMETER;
    }
    if (data.empty()) {
        return FT_OK;
    }
    const int result = ftdi_write_data(context_.get(), data.data(), static_cast<int>(data.size()));
    if (result == -1) {
        // The bulk write failed: the chip did not take the bytes within the
        // write time-out, or went away.
        return FT_FAILED_TO_WRITE_DEVICE;
    }
    if (result < 0) {
        return FT_IO_ERROR;
    }
    written = static_cast<std::uint32_t>(result);
    return written == data.size() ? FT_OK : FT_FAILED_TO_WRITE_DEVICE;
}

FT_STATUS FtdiLibDevice::FillReceived() {
    if (received_.size() >= kReceiveLimit) {
        return FT_OK;
    }
    std::array<std::uint8_t, kReadChunk> chunk{};
    const std::size_t room = std::min(chunk.size(), kReceiveLimit - received_.size());
    const int result = ftdi_read_data(context_.get(), chunk.data(), static_cast<int>(room));
    if (result == LIBUSB_ERROR_TIMEOUT) {
        return FT_OK; // nothing came within the time-out: no data, not a fault
    }
    if (result < 0) {
        return FT_IO_ERROR; // e.g. the bridge was unplugged
    }
    const auto got = std::min(static_cast<std::size_t>(result), room);
    received_.insert(received_.end(), chunk.begin(), chunk.begin() + static_cast<long>(got));
    return FT_OK;
}

FT_STATUS FtdiLibDevice::Read(FT_HANDLE handle, std::span<std::uint8_t> buffer,
                              std::uint32_t& got) {
    got = 0;
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    if (received_.size() < buffer.size()) {
        if (const FT_STATUS status = FillReceived(); status != FT_OK && received_.empty()) {
            return status;
        }
    }
    const std::size_t count = std::min(buffer.size(), received_.size());
    std::copy_n(received_.begin(), count, buffer.begin());
    received_.erase(received_.begin(), received_.begin() + static_cast<long>(count));
    got = static_cast<std::uint32_t>(count);
    return FT_OK;
}

FT_STATUS FtdiLibDevice::GetQueueStatus(FT_HANDLE handle, std::uint32_t& queued) {
    queued = 0;
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    const FT_STATUS status = FillReceived();
    queued = static_cast<std::uint32_t>(received_.size());
    // Bytes already in hand are reported first; the fault shows on the next poll.
    return received_.empty() ? status : FT_OK;
}

FT_STATUS FtdiLibDevice::WaitForData(FT_HANDLE handle, std::uint32_t atLeast, int milliseconds) {
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    // Each read blocks in libusb until the chip answers, at the latest after
    // its latency timer, so this loop sleeps rather than spins; bytes in hand
    // below the count asked for do not end it.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (received_.size() < atLeast && received_.size() < kReceiveLimit) {
        if (const FT_STATUS status = FillReceived(); status != FT_OK) {
            return status;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
    }
    return FT_OK;
}

FT_STATUS FtdiLibDevice::SetWriteTimeout(FT_HANDLE handle, int milliseconds) {
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    if (milliseconds <= 0) {
        return FT_INVALID_PARAMETER;
    }
    // libusb gives up on a bulk write the chip does not take within this.
    context_->usb_write_timeout = milliseconds;
    return FT_OK;
}

} // namespace platform
