// The file buttons of the ticket texts: which chosen names are taken on.

#include "host_config/TicketTextFiles.h"

#include "common/ProgramState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

using namespace hostconfig;

// A name that leads to another file of the program is refused however it
// is written (and whether or not that file exists yet); a file that cannot
// be read is not taken on; a save takes the new name even when writing
// fails, and says so.
TEST(TicketTextFiles, AChosenNameIsTakenOnlyWhenItCanBeTheTextsOwn) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    ProgramState& state = ProgramState::Instance();
    const std::string folderBefore = state.ProgramFolder;
    state.SetProgramFolder(d);
    std::ofstream(d + "/Settings.ini") << "[Settings]\r\n";
    std::ofstream(d + "/Loc.txt") << "Joe's Bar\r\n";
    ASSERT_EQ(::link((d + "/Loc.txt").c_str(), (d + "/Hard.txt").c_str()), 0);
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(d + "/Folder.txt")));

    struct Case {
        int n; // the file button
        std::string chosen;
        const char* title; // of the box shown; null when none
        bool taken;        // the chosen name becomes the text's
        QString boxAfter;
    };
    const Case cases[] = {
        {1, d + "/./Settings.ini", "File not used", false, "typed"},
        {3, d + "/NodeInfo.ini", "File not used", false, "typed"},
        {2, d + "/Hard.txt", "File not used", false, "typed"},
        {0, d + "/Folder.txt", "File not read", false, "typed"},
        {2, d + "/New.txt", nullptr, true, "typed"},
        {3, d + "/no/such/x.txt", "File not written", true, "typed"},
        {2, d + "/Loc.txt", "File not used", false, "typed"},
        {0, d + "/Hard.txt", nullptr, true, "Joe's Bar"},
        {1, d + "/Hard.txt", nullptr, true, "typed"}, // its own file, by another name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.n) + " " + c.chosen);
        const std::size_t box = c.n < 2 ? 0 : 1;
        std::array<QString, 2> boxes{"typed", "typed"};
        TicketTextFiles files([&](std::size_t b) { return boxes[b]; },
                              [&](std::size_t b, const QString& text) { boxes[b] = text; });
        files.SetFileName(0, d + "/Loc.txt");
        files.SetFileName(1, d + "/Disc.txt");
        const std::string before = files.FileName(box);

        const auto notice = files.Chosen(c.n, QString::fromStdString(c.chosen));
        EXPECT_EQ(notice ? notice->title.toStdString() : "", c.title ? c.title : "");
        EXPECT_EQ(files.FileName(box), c.taken ? c.chosen : before);
        EXPECT_EQ(boxes[box], c.boxAfter);
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(d + "/NodeInfo.ini")));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(d + "/Folder.txt")).isDir());
    state.SetProgramFolder(folderBefore);
}
