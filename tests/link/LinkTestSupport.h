#pragma once

#include "ScriptedDevice.h"
#include "TestFrame.h"

#include "common/LinkLog.h"
#include "link/clsUSBInterface.h"

#include <QString>

#include <memory>
#include <vector>

// The reply a well-behaved host gives: same IDs, the given payload.
inline std::vector<std::uint8_t> EchoReply(const std::vector<std::uint8_t>& request,
                                           const std::vector<std::uint8_t>& payload) {
    return Frame(request[0], request[3], request[6], payload);
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
