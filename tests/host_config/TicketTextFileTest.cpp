// Location and disclaimer files: what a save writes and what a load gives
// back, also for files written by other editors.

#include "host_config/TicketTextFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace hostconfig;

TEST(TicketTextFile, SaveWritesCrLfLinesAndOneFinalCrLf) {
    EXPECT_EQ(TicketTextFileContents(""), "\r\n");
    EXPECT_EQ(TicketTextFileContents("AB\nC"), "AB\r\nC\r\n");
    EXPECT_EQ(TicketTextFileContents("AB\r\nC\n"), "AB\r\nC\r\n\r\n");
    EXPECT_EQ(TicketTextFileContents(QString::fromUtf8("Caf\u00e9")), "Caf\xc3\xa9\r\n");
}

TEST(TicketTextFile, LoadLosesNoLineOfFilesFromOtherEditors) {
    EXPECT_EQ(TicketTextFromFile("A\r\nB\r\n"), "A\nB");
    EXPECT_EQ(TicketTextFromFile("A\nB\n"), "A\nB");
    EXPECT_EQ(TicketTextFromFile("A\nB"), "A\nB");
    EXPECT_EQ(TicketTextFromFile("A\rB\r"), "A\nB");
    EXPECT_EQ(TicketTextFromFile("A\r\n\r\n\r\n"), "A\n\n");
    EXPECT_EQ(TicketTextFromFile(""), "");
    // An 8-bit file from an old editor keeps its characters.
    EXPECT_EQ(TicketTextFromFile("Caf\xe9\r\n"), QString::fromUtf8("Caf\u00e9"));
    EXPECT_EQ(TicketTextFromFile("\xef\xbb\xbfHi\n"), "Hi");
}

TEST(TicketTextFile, SavingAndLoadingAgainNeverGrows) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("t.txt").toStdString();
    for (const std::string start : {"A\nB", "A\nB\n", "A\r\nB\r\n", "\n\nX\n\n", "", "\r\n"}) {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(start.data(), static_cast<qint64>(start.size()));
        f.close();
        const QString first = LoadTicketText(path).value();
        for (int round = 0; round < 4; ++round) {
            ASSERT_TRUE(SaveTicketText(path, LoadTicketText(path).value()));
        }
        EXPECT_EQ(LoadTicketText(path).value(), first) << start;
        EXPECT_EQ(QFile(QString::fromStdString(path)).size(),
                  static_cast<qint64>(TicketTextFileContents(first).size()));
    }
    EXPECT_FALSE(LoadTicketText(dir.filePath("missing.txt").toStdString()).has_value());
}
