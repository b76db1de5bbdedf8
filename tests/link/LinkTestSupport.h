#pragma once

#include "ScriptedDevice.h"

#include "common/Crc16.h"
#include "common/LinkLog.h"
#include "link/clsUSBInterface.h"

#include <QString>

#include <algorithm>
#include <memory>
#include <vector>

// A reply frame built independently of the link's own framing code.
inline std::vector<std::uint8_t> ReplyFrame(std::uint8_t deviceId, std::uint8_t seq,
                                            std::uint8_t cmnd,
                                            const std::vector<std::uint8_t>& payload) {
    const std::size_t len = payload.size() + 9;
    // Sized once and filled in place: GCC 12 at -O3 misreads an insert
    // after a 7-byte initializer list as writing past it (-Warray-bounds).
    std::vector<std::uint8_t> f(len, 0);
    f[0] = deviceId;
    f[1] = static_cast<std::uint8_t>(len & 0xFF);
    f[2] = static_cast<std::uint8_t>(len >> 8);
    f[3] = seq;
    f[6] = cmnd;
    std::copy(payload.begin(), payload.end(), f.begin() + 7);
    const std::uint16_t crc = common::Crc16(f);
    f[len - 2] = static_cast<std::uint8_t>(crc >> 8);
    f[len - 1] = static_cast<std::uint8_t>(crc & 0xFF);
    return f;
}

// The reply a well-behaved host gives: same IDs, the given payload.
inline std::vector<std::uint8_t> EchoReply(const std::vector<std::uint8_t>& request,
                                           const std::vector<std::uint8_t>& payload) {
    return ReplyFrame(request[0], request[3], request[6], payload);
}

// Log lines as written, without their CR LF.
inline QStringList LogLines() {
    QString text = LinkLog::Instance().Text();
    QStringList lines = text.split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

struct LinkFixtureBase {
    std::shared_ptr<ScriptedDevice> device = std::make_shared<ScriptedDevice>();
    std::unique_ptr<clsUSBInterface> link;

    void Start() {
        LinkLog::Instance().Clear();
        FtHandle = 0;
        SetFtdiBackend(device);
        link = std::make_unique<clsUSBInterface>();
    }
    void Stop() {
        link.reset();
        SetFtdiBackend(nullptr);
        FtHandle = 0;
    }
};
