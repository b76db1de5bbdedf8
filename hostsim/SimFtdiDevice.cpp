#include "hostsim/SimFtdiDevice.h"

#include <thread>

namespace hostsim {

using namespace platform;

SimFtdiDevice::SimFtdiDevice(std::shared_ptr<SimulatedHost> host) : host_(std::move(host)) {}

DeviceDescription SimFtdiDevice::Describe() const {
    DeviceDescription description;
    description.kind = DeviceDescription::Kind::Simulated;
    return description;
}

SimulatedHost& SimFtdiDevice::Host() {
    return *host_;
}

FT_STATUS SimFtdiDevice::Check(FT_HANDLE handle) const {
    if (handle == 0 || handle != open_) {
        return FT_INVALID_HANDLE;
    }
    const bool gone = host_->Unplugged() || host_->Unpluggings() != openedAfter_;
    return gone ? FT_IO_ERROR : FT_OK;
}

FT_STATUS SimFtdiDevice::Open(int index, FT_HANDLE& handle) {
    if (index != 0 || host_->Unplugged()) {
        return FT_DEVICE_NOT_FOUND;
    }
    if (open_ != 0) {
        return FT_DEVICE_NOT_OPENED;
    }
    open_ = ++lastHandle_;
    if (open_ == 0) { // after 2^32 opens
        open_ = ++lastHandle_;
    }
    handle = open_;
    openedAfter_ = host_->Unpluggings();
    return FT_OK;
}

FT_STATUS SimFtdiDevice::Close(FT_HANDLE handle) {
    if (handle == 0 || handle != open_) {
        return FT_INVALID_HANDLE;
    }
    open_ = 0;
    return host_->Unplugged() ? FT_IO_ERROR : FT_OK;
}

FT_STATUS SimFtdiDevice::ListDevices(std::uint32_t& count) {
    count = host_->Unplugged() ? 0 : 1;
    return FT_OK;
}

FT_STATUS SimFtdiDevice::Write(FT_HANDLE handle, std::span<const std::uint8_t> data,
                               std::uint32_t& written) {
    written = 0;
    if (const FT_STATUS status = Check(handle); status != FT_OK) {
        return status;
    }
    host_->Receive(data);
    written = static_cast<std::uint32_t>(data.size());
    return FT_OK;
}

FT_STATUS SimFtdiDevice::Read(FT_HANDLE handle, std::span<std::uint8_t> buffer,
                              std::uint32_t& got) {
    got = 0;
    if (const FT_STATUS status = Check(handle); status != FT_OK) {
        return status;
    }
    got = static_cast<std::uint32_t>(host_->Take(buffer));
    return FT_OK;
}

FT_STATUS SimFtdiDevice::GetQueueStatus(FT_HANDLE handle, std::uint32_t& queued) {
    queued = 0;
    if (const FT_STATUS status = Check(handle); status != FT_OK) {
        return status;
    }
    queued = static_cast<std::uint32_t>(host_->Available());
    return FT_OK;
}

bool SimFtdiDevice::NothingUnderWay(FT_HANDLE handle) const {
    // The host's replies, late or paced, are all held here: when none is
    // ready or under way, none can come.
    std::chrono::steady_clock::time_point when;
    return Check(handle) == FT_OK && !host_->DueFor(1, when);
}

FT_STATUS SimFtdiDevice::WaitForData(FT_HANDLE handle, std::uint32_t atLeast, int milliseconds) {
    if (const FT_STATUS status = Check(handle); status != FT_OK) {
        return status;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    for (;;) {
        if (host_->Available() >= atLeast) {
            return FT_OK;
        }
        Clock::time_point due;
        if (!host_->DueFor(atLeast, due) || due >= deadline) {
            // Not enough is under way to be there in time: sleep it out.
            std::this_thread::sleep_until(deadline);
            return FT_OK;
        }
        if (due <= Clock::now()) {
            return FT_OK; // pieces that come one per poll
        }
        std::this_thread::sleep_until(due);
    }
}

} // namespace hostsim
