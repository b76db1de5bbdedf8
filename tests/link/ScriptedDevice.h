#pragma once
// A device backend whose answers the test scripts: each write may queue a
// reply (delivered whole or a piece per poll), and single calls can be made
// to fail. Lets the link be tested apart from the simulated host.

#include "platform/FtdiDevice.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <thread>
#include <vector>

class ScriptedDevice : public platform::FtdiDevice {
public:
    static constexpr platform::FT_HANDLE kHandle = 0x1234;

    // Called with each written frame; returns the bytes to queue as reply.
    std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)> answer;
    std::vector<std::vector<std::uint8_t>> written;
    std::size_t pieceSize = 0; // 0: the whole reply arrives at once
    platform::FT_STATUS openStatus = platform::FT_OK;
    platform::FT_STATUS failQueueStatusOnce = platform::FT_OK;
    int queueStatusCalls = 0;
    int closeCalls = 0;
    int waitCalls = 0;
    int writeTimeoutMs = 0; // 0: never set

    platform::FT_STATUS Open(int, platform::FT_HANDLE& handle) override {
        handle = openStatus == platform::FT_OK ? kHandle : 0;
        return openStatus;
    }
    platform::FT_STATUS Close(platform::FT_HANDLE handle) override {
        ++closeCalls;
        return handle == kHandle ? platform::FT_OK : platform::FT_INVALID_HANDLE;
    }
    platform::FT_STATUS ListDevices(std::uint32_t& count) override {
        count = 1;
        return platform::FT_OK;
    }
    platform::FT_STATUS Write(platform::FT_HANDLE handle, std::span<const std::uint8_t> data,
                              std::uint32_t& n) override {
        if (handle != kHandle) {
            return platform::FT_INVALID_HANDLE;
        }
        written.emplace_back(data.begin(), data.end());
        n = static_cast<std::uint32_t>(data.size());
        if (answer) {
            for (std::uint8_t b : answer(written.back())) {
                pending.push_back(b);
            }
        }
        return platform::FT_OK;
    }
    // Reads and polls take any handle: the link's handle is checked where
    // it writes, and by the simulated host's device.
    platform::FT_STATUS Read(platform::FT_HANDLE, std::span<std::uint8_t> buffer,
                             std::uint32_t& got) override {
        got = static_cast<std::uint32_t>(std::min(buffer.size(), queue.size()));
        std::copy_n(queue.begin(), got, buffer.begin());
        queue.erase(queue.begin(), queue.begin() + got);
        return platform::FT_OK;
    }
    platform::FT_STATUS SetWriteTimeout(platform::FT_HANDLE, int milliseconds) override {
        writeTimeoutMs = milliseconds;
        return platform::FT_OK;
    }
    platform::FT_STATUS GetQueueStatus(platform::FT_HANDLE, std::uint32_t& n) override {
        ++queueStatusCalls;
        if (failQueueStatusOnce != platform::FT_OK) {
            const auto status = failQueueStatusOnce;
            failQueueStatusOnce = platform::FT_OK;
            return status;
        }
        ArriveDue();
        // Each poll releases the next piece of what the device has sent.
        const std::size_t release =
            pieceSize == 0 ? pending.size() : std::min(pieceSize, pending.size());
        queue.insert(queue.end(), pending.begin(), pending.begin() + release);
        pending.erase(pending.begin(), pending.begin() + release);
        n = static_cast<std::uint32_t>(queue.size());
        return platform::FT_OK;
    }
    // Nothing more arrives while the caller sleeps, unless the script has
    // more to send: then the next poll brings it.
    platform::FT_STATUS WaitForData(platform::FT_HANDLE, std::uint32_t atLeast,
                                    int milliseconds) override {
        ++waitCalls;
        if (queue.size() < atLeast && pending.empty()) {
            auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
            if (!later.empty()) {
                until = std::min(until, later.front().due);
            }
            std::this_thread::sleep_until(until);
        }
        return platform::FT_OK;
    }

    bool NothingUnderWay(platform::FT_HANDLE) const override {
        return pending.empty() && queue.empty() && later.empty();
    }

    // `bytes` arrive `ms` from now (calls in the order they arrive).
    void SendLater(int ms, std::vector<std::uint8_t> bytes) {
        later.push_back({Clock::now() + std::chrono::milliseconds(ms), std::move(bytes)});
    }

    std::deque<std::uint8_t> pending; // sent by the device, not yet arrived
    std::deque<std::uint8_t> queue;   // arrived, waiting to be read

private:
    using Clock = std::chrono::steady_clock;
    struct Later {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
    };
    void ArriveDue() {
        while (!later.empty() && later.front().due <= Clock::now()) {
            pending.insert(pending.end(), later.front().bytes.begin(), later.front().bytes.end());
            later.pop_front();
        }
    }
    std::deque<Later> later;
};
