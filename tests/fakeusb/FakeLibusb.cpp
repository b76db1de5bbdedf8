// The libusb-1.0 calls libftdi1 makes on the program's path, answered by one
// software FT232R (FakeFt232r.h); those it never makes there (streaming,
// setting a configuration the chip already has, detaching a driver by hand)
// stay libusb's. Everything runs on the caller's thread; the chip's latency
// timer is the only wait, as on the real bus.
#include "tests/fakeusb/FakeFt232r.h"

#include <libusb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <set>
#include <span>
#include <string_view>
#include <thread>

struct libusb_context {
    int unused = 0;
};

struct libusb_device {
    std::uint8_t address = 0;
};

struct libusb_device_handle {
    libusb_device* device = nullptr;
    bool claimed = false;
};

namespace fakeusb {
namespace {

// Vendor requests of the FTDI chips (bRequest) that libftdi1 sends here.
enum Request : std::uint8_t {
    kReset = 0x00,
    kSetFlowCtrl = 0x02,
    kSetBaudRate = 0x03,
    kSetData = 0x04,
    kSetLatencyTimer = 0x09,
    kSetBitMode = 0x0B,
};
constexpr std::uint8_t kRequestOut = 0x40; // vendor, device, host to device
// The bulk endpoints of the chip's one interface.
constexpr unsigned char kEndpointIn = 0x81;
constexpr unsigned char kEndpointOut = 0x02;

struct Bus {
    std::shared_ptr<hostsim::SimulatedHost> host;
    std::string serial;
    bool plugged = false;
    // Every device ever plugged in; the last one is on the bus when plugged.
    // They are kept so handles and lists from before stay valid pointers.
    std::vector<std::unique_ptr<libusb_device>> devices;
    std::set<libusb_device_handle*> handles;
    ChipState chip;
};

Bus& TheBus() {
    static Bus bus;
    return bus;
}

libusb_device* Present() {
    Bus& bus = TheBus();
    return bus.plugged && !bus.devices.empty() ? bus.devices.back().get() : nullptr;
}

bool Alive(const libusb_device* device) {
    return device != nullptr && device == Present();
}

bool Alive(const libusb_device_handle* handle) {
    return handle != nullptr && Alive(handle->device);
}

// Manufacturer, product and serial number are string descriptors 1 to 3.
std::string_view StringDescriptor(std::uint8_t index) {
    const std::string_view texts[] = {"", "FTDI", "FT232R USB UART", TheBus().serial};
    return index < std::size(texts) ? texts[index] : std::string_view{};
}

int ControlOut(std::uint8_t request, std::uint16_t value, std::uint16_t index) {
    ChipState& chip = TheBus().chip;
    switch (request) {
    case kReset:
        // 0 resets, 1 purges the OUT side (bytes go straight out: nothing
        // held), 2 purges what the chip received.
        if (value == 2) {
            ++chip.rxPurges;
            hostsim::SimulatedHost& host = *TheBus().host;
            std::array<std::uint8_t, 256> drop{};
            host.Available();
            while (host.Take(drop) > 0) {
            }
        }
        return 0;
    case kSetFlowCtrl:
        chip.flowControl = static_cast<std::uint16_t>(index & 0xFF00);
        return 0;
    case kSetBaudRate:
        chip.baudDivisor = value | static_cast<std::uint32_t>(index & 1u) << 16;
        return 0;
    case kSetData:
        chip.lineProperties = value;
        return 0;
    case kSetLatencyTimer:
        chip.latencyMs = value;
        return 0;
    case kSetBitMode:
        chip.bitMode = static_cast<std::uint16_t>(value >> 8); // the low byte is the pin mask
        return 0;
    default:
        return LIBUSB_ERROR_PIPE;
    }
}

// One bulk IN transfer: 64-byte packets, each the two status bytes and up
// to 62 data bytes; a short packet ends the transfer. With nothing to send
// the chip waits for its latency timer and then sends the status bytes.
int BulkIn(unsigned char* data, int length, int* transferred, unsigned int timeout) {
    hostsim::SimulatedHost& host = *TheBus().host;
    if (host.Available() == 0) {
        const unsigned int latency = static_cast<unsigned int>(TheBus().chip.latencyMs);
        std::this_thread::sleep_for(
            std::chrono::milliseconds(timeout > 0 ? std::min(latency, timeout) : latency));
        host.Available();
    }
    int at = 0;
    while (at + 2 <= length) {
        data[at] = kModemStatus;
        data[at + 1] = kLineStatus;
        const auto room = std::min<std::size_t>(kPacketSize, static_cast<std::size_t>(length - at));
        const std::size_t got = host.Take(std::span(data + at + 2, room - 2));
        at += 2 + static_cast<int>(got);
        if (got < kPacketSize - 2) {
            break;
        }
    }
    *transferred = at;
    return 0;
}

} // namespace

// Plugs in a new device at a new address.
void Replug() {
    Bus& bus = TheBus();
    auto device = std::make_unique<libusb_device>();
    device->address = static_cast<std::uint8_t>(4 + bus.devices.size());
    bus.devices.push_back(std::move(device));
    bus.plugged = true;
    // A chip that is plugged in starts from its power-on state.
    bus.chip = ChipState{};
}

void Plug(std::shared_ptr<hostsim::SimulatedHost> host, std::string serial) {
    Bus& bus = TheBus();
    bus.host = std::move(host);
    bus.serial = std::move(serial);
    Replug();
}

void Unplug() {
    TheBus().plugged = false;
}

void Reset() {
    Bus& bus = TheBus();
    for (libusb_device_handle* handle : bus.handles) {
        delete handle; // left open by a failed test
    }
    bus.handles.clear();
    bus.devices.clear();
    bus.plugged = false;
    bus.host.reset();
    bus.chip = ChipState{};
}

ChipState& Chip() {
    return TheBus().chip;
}

int OpenHandles() {
    return static_cast<int>(TheBus().handles.size());
}

} // namespace fakeusb

using fakeusb::Alive;
using fakeusb::TheBus;

extern "C" {

int libusb_init(libusb_context** context) {
    if (context != nullptr) {
        *context = new libusb_context;
    }
    return LIBUSB_SUCCESS;
}

void libusb_exit(libusb_context* context) {
    delete context;
}

// Devices are never freed before Reset(): references need no count.
ssize_t libusb_get_device_list(libusb_context*, libusb_device*** list) {
    libusb_device* present = fakeusb::Present();
    *list = new libusb_device* [2] { present, nullptr };
    return present != nullptr ? 1 : 0;
}

void libusb_free_device_list(libusb_device** list, int) {
    delete[] list;
}

libusb_device* libusb_ref_device(libusb_device* device) {
    return device;
}

void libusb_unref_device(libusb_device*) {}

int libusb_get_device_descriptor(libusb_device*, libusb_device_descriptor* descriptor) {
    *descriptor = libusb_device_descriptor{};
    descriptor->idVendor = fakeusb::kVendor;
    descriptor->idProduct = fakeusb::kProduct;
    descriptor->bcdDevice = 0x0600; // what makes libftdi1 take it for an FT232R
    descriptor->iManufacturer = 1;
    descriptor->iProduct = 2;
    descriptor->iSerialNumber = 3;
    descriptor->bNumConfigurations = 1;
    return LIBUSB_SUCCESS;
}

// One configuration, its interface not described: libftdi1 then takes the
// FT232R's 64-byte packets and its fixed endpoints.
int libusb_get_config_descriptor(libusb_device*, uint8_t configIndex,
                                 libusb_config_descriptor** config) {
    if (configIndex != 0) {
        return LIBUSB_ERROR_NOT_FOUND;
    }
    *config = new libusb_config_descriptor{};
    (*config)->bConfigurationValue = 1;
    return LIBUSB_SUCCESS;
}

void libusb_free_config_descriptor(libusb_config_descriptor* config) {
    delete config;
}

uint8_t libusb_get_bus_number(libusb_device*) {
    return 1;
}

uint8_t libusb_get_device_address(libusb_device* device) {
    return device->address;
}

int libusb_open(libusb_device* device, libusb_device_handle** handle) {
    if (!Alive(device)) {
        return LIBUSB_ERROR_NO_DEVICE;
    }
    *handle = new libusb_device_handle{device, false};
    TheBus().handles.insert(*handle);
    return LIBUSB_SUCCESS;
}

void libusb_close(libusb_device_handle* handle) {
    if (handle != nullptr) {
        TheBus().handles.erase(handle);
        delete handle;
    }
}

libusb_device* libusb_get_device(libusb_device_handle* handle) {
    return handle->device;
}

int libusb_get_configuration(libusb_device_handle* handle, int* config) {
    if (!Alive(handle)) {
        return LIBUSB_ERROR_NO_DEVICE;
    }
    *config = 1;
    return LIBUSB_SUCCESS;
}

// The chip has one interface, 0: libftdi1 asks for no other.
int libusb_claim_interface(libusb_device_handle* handle, int) {
    if (!Alive(handle)) {
        return LIBUSB_ERROR_NO_DEVICE;
    }
    for (const libusb_device_handle* other : TheBus().handles) {
        if (other != handle && other->device == handle->device && other->claimed) {
            return LIBUSB_ERROR_BUSY;
        }
    }
    handle->claimed = true;
    return LIBUSB_SUCCESS;
}

int libusb_release_interface(libusb_device_handle* handle, int) {
    if (!handle->claimed) {
        return LIBUSB_ERROR_NOT_FOUND;
    }
    handle->claimed = false;
    return Alive(handle) ? LIBUSB_SUCCESS : LIBUSB_ERROR_NO_DEVICE;
}

int libusb_set_auto_detach_kernel_driver(libusb_device_handle*, int) {
    return LIBUSB_SUCCESS;
}

int libusb_control_transfer(libusb_device_handle* handle, uint8_t requestType, uint8_t request,
                            uint16_t value, uint16_t index, unsigned char*, uint16_t,
                            unsigned int) {
    if (!Alive(handle)) {
        return LIBUSB_ERROR_NO_DEVICE;
    }
    const int result = requestType == fakeusb::kRequestOut
                           ? fakeusb::ControlOut(request, value, index)
                           : LIBUSB_ERROR_PIPE;
    if (result == LIBUSB_ERROR_PIPE) {
        ++TheBus().chip.unknownControls;
    }
    return result;
}

int libusb_bulk_transfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data,
                         int length, int* transferred, unsigned int timeout) {
    if (transferred != nullptr) {
        *transferred = 0;
    }
    if (!Alive(handle)) {
        return LIBUSB_ERROR_NO_DEVICE;
    }
    if (!handle->claimed || transferred == nullptr || length < 0) {
        return LIBUSB_ERROR_INVALID_PARAM;
    }
    if (endpoint == fakeusb::kEndpointOut) {
        *transferred = length;
        // The host may be pulled out while it takes the request in.
        TheBus().host->Receive(
            std::span<const std::uint8_t>(data, static_cast<std::size_t>(length)));
        return LIBUSB_SUCCESS;
    }
    if (endpoint == fakeusb::kEndpointIn) {
        return fakeusb::BulkIn(data, length, transferred, timeout);
    }
    return LIBUSB_ERROR_NOT_FOUND;
}

int libusb_get_string_descriptor_ascii(libusb_device_handle* handle, uint8_t index,
                                       unsigned char* data, int length) {
    if (!Alive(handle)) {
        return LIBUSB_ERROR_NO_DEVICE;
    }
    const std::string_view text = fakeusb::StringDescriptor(index);
    if (text.empty() || length < 1) {
        return LIBUSB_ERROR_PIPE;
    }
    const std::size_t size = std::min(text.size(), static_cast<std::size_t>(length - 1));
    std::memcpy(data, text.data(), size);
    data[size] = 0;
    return static_cast<int>(size);
}

} // extern "C"
