// The host's pseudo-terminal server and the numbers of its command line.
// Serving, hanging up and serving again are tested through the executable,
// with the link at the other end (tests/integration/LinkOverPtyTest.cpp).

#include "hostsim/PtyServer.h"
#include "hostsim/ToolCommandLine.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <fstream>

using hostsim::PtyServer;
using hostsim::SimulatedHost;

TEST(PtyServer, NeverReplacesAFileWithItsLink) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/Settings.ini";
    std::ofstream(path.toStdString()) << "[Settings]\n";
    SimulatedHost host(true);
    {
        PtyServer server(host);
        EXPECT_FALSE(server.SetLinkPath(path.toStdString()));
        EXPECT_NE(server.Error().find("not a symbolic link"), std::string::npos) << server.Error();
    }
    EXPECT_EQ(QFileInfo(path).size(), 11); // still the file, after the server ended
}

TEST(ToolCommandLine, NumbersAreTakenWholeAndWithinTheirBounds) {
    using hostsim::NumberIn;
    struct Row {
        const char* text;
        std::optional<int> baud;     // 300..921600
        std::optional<double> share; // 0..1
    };
    const Row rows[] = {
        {"300", 300, std::nullopt},
        {"299", std::nullopt, std::nullopt},
        {"921600", 921600, std::nullopt},
        {"921601", std::nullopt, std::nullopt},
        {"0", std::nullopt, 0.0},
        {"1", std::nullopt, 1.0},
        {"0.25", std::nullopt, 0.25},
        {"1.0001", std::nullopt, std::nullopt},
        {"-0.5", std::nullopt, std::nullopt},
        {"nan", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"400x", std::nullopt, std::nullopt},
        {" 400", std::nullopt, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(NumberIn(row.text, 300, 921600), row.baud);
        EXPECT_EQ(NumberIn(row.text, 0.0, 1.0), row.share);
    }
}
