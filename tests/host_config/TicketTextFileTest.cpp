// Location and disclaimer files: what a save writes and what a load gives
// back, also for files written by other editors.

#include "host_config/TicketTextFile.h"

#include <gtest/gtest.h>

using namespace hostconfig;

TEST(TicketTextFile, SaveWritesCrLfLinesAndLoadLosesNoLineOfFilesFromOtherEditors) {
    EXPECT_EQ(TicketTextFileContents(""), "\r\n");
    EXPECT_EQ(TicketTextFileContents("AB\nC"), "AB\r\nC\r\n");
    EXPECT_EQ(TicketTextFileContents("AB\r\nC\n"), "AB\r\nC\r\n\r\n");
    EXPECT_EQ(TicketTextFileContents(QString::fromUtf8("Caf\u00e9")), "Caf\xc3\xa9\r\n");
    // An 8-bit file from an old editor keeps its characters.
    for (const auto& [file, text] :
         {std::pair{"A\r\nB\r\n", "A\nB"}, {"A\nB\n", "A\nB"}, {"A\nB", "A\nB"},
          {"A\rB\r", "A\nB"}, {"A\r\n\r\n\r\n", "A\n\n"}, {"", ""},
          {"Caf\xe9\r\n", "Caf\u00e9"}, {"\xef\xbb\xbfHi\n", "Hi"}}) {
        EXPECT_EQ(TicketTextFromFile(file), QString::fromUtf8(text)) << file;
    }
}

TEST(TicketTextFile, AnEditedTextKeepsTheFormItWasReadIn) {
    EXPECT_EQ(TicketTextFormOf("A\nB\n"),
              (TicketTextForm{TicketTextForm::Encoding::Utf8, false, "\n"}));
    EXPECT_EQ(TicketTextFormOf("A\rB"),
              (TicketTextForm{TicketTextForm::Encoding::Utf8, false, "\r"}));
    EXPECT_EQ(TicketTextFormOf("\xEF\xBB\xBFX\r\n"),
              (TicketTextForm{TicketTextForm::Encoding::Utf8, true, "\r\n"}));
    EXPECT_EQ(TicketTextFormOf("Caf\xE9"),
              (TicketTextForm{TicketTextForm::Encoding::Latin1, false, "\r\n"}));

    const TicketTextForm latin1{TicketTextForm::Encoding::Latin1, false, "\n"};
    EXPECT_EQ(TicketTextFileContents(QString::fromUtf8("Caf\u00e9\nOl\u00e9"), latin1),
              "Caf\xE9\nOl\xE9\n");
    // A character Latin-1 cannot hold: the file becomes UTF-8 rather than
    // lose it.
    EXPECT_EQ(TicketTextFileContents(QString::fromUtf8("\u20ac 5"), latin1), "\xE2\x82\xAC 5\n");
    const TicketTextForm marked{TicketTextForm::Encoding::Utf8, true, "\r\n"};
    EXPECT_EQ(TicketTextFileContents("A\nB", marked), "\xEF\xBB\xBF"
                                                      "A\r\nB\r\n");
}
