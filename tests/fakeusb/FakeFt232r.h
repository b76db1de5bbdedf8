#pragma once
// A software FT232R on a one-device USB bus, under the real libftdi1.
//
// FakeLibusb.cpp defines the libusb-1.0 calls libftdi1 (and the program's
// libftdi1 backend) make. A test executable that links it with its symbols
// exported (CMake: ENABLE_EXPORTS) takes the place of libusb for libftdi1
// too, since the dynamic linker finds the executable's definitions first.
// Nothing then reaches the real USB bus.
//
// The chip behaves as an FT232R does on the wire: it enumerates as 0403:6001
// with a serial number, answers the vendor control requests libftdi1 sends
// (reset and purges, baud rate, line properties, flow control, latency
// timer, bit mode), passes bulk OUT bytes to the simulated
// host and starts every 64-byte bulk IN packet with the two modem-status
// bytes. With nothing to send it answers a read after its latency timer
// with the two status bytes alone. Pulled out, every transfer on a handle
// opened before fails with LIBUSB_ERROR_NO_DEVICE and the bus is empty;
// plugged back, it is a new device at a new address.

#include "hostsim/SimulatedHost.h"

#include <cstdint>
#include <memory>
#include <string>

namespace fakeusb {

inline constexpr std::uint16_t kVendor = 0x0403;
inline constexpr std::uint16_t kProduct = 0x6001;
inline constexpr std::size_t kPacketSize = 64;
// Modem status (CTS and DSR set, low nibble 1 as the FT232R sends it) and
// line status (transmitter empty) at the start of every IN packet.
inline constexpr std::uint8_t kModemStatus = 0x31;
inline constexpr std::uint8_t kLineStatus = 0x60;

// What the chip has been told and has done since it was plugged in.
struct ChipState {
    std::uint32_t baudDivisor = 0;         // wValue, and bit 0 of wIndex as bit 16
    std::uint16_t lineProperties = 0x0008; // 8N1
    std::uint16_t flowControl = 0;
    int latencyMs = 16;
    std::uint16_t bitMode = 0; // 0: plain serial (bit bang and MPSSE off)
    int rxPurges = 0;
    int unknownControls = 0; // control requests the chip did not know
};

// Plugs the chip in with the simulated host on its serial side.
void Plug(std::shared_ptr<hostsim::SimulatedHost> host, std::string serial = "TLVX0001");
// Pulls it out; open handles stay dead even after it is plugged in again.
void Unplug();
// Plugs the same chip and host in again (a new device, a new address).
void Replug();
// Removes the chip from the bus and forgets it (between tests).
void Reset();

ChipState& Chip();
// Open device handles, so a test can see that every open was closed.
int OpenHandles();

} // namespace fakeusb
