#pragma once

#include "ScriptedDevice.h"

#include "common/Crc16.h"
#include "common/LinkLog.h"
#include "link/clsUSBInterface.h"

#include <QString>

#include <memory>
#include <vector>

// A reply frame built independently of the link's own framing code.
inline std::vector<std::uint8_t> ReplyFrame(std::uint8_t deviceId, std::uint8_t seq,
                                            std::uint8_t cmnd,
                                            const std::vector<std::uint8_t>& payload) {
    const std::size_t len = payload.size() + 9;
    std::vector<std::uint8_t> f{deviceId,
                                static_cast<std::uint8_t>(len & 0xFF),
                                static_cast<std::uint8_t>(len >> 8),
                                seq,
                                0,
                                0,
                                cmnd};
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(0);
    f.push_back(0);
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
