// Replacing the operator's files: links and permissions kept, temporary
// files never predictable, the old file intact whenever a write fails, and
// one file name encoding for reading and writing.
#include "platform/SafeFile.h"

#include "tests/platform/FolderTest.h"

#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace platform;
using platformtest::Load;
using platformtest::Store;

namespace {
class SafeFileTest : public platformtest::FolderTest {
protected:
    void TearDown() override { SetSaveFaultForTesting(SaveFault::None); }
};
} // namespace

TEST_F(SafeFileTest, ASymlinkedFileIsWrittenThroughAndKeepsItsPermissions) {
    const std::string target = PathOf("real.txt");
    const std::string link = PathOf("Settings.ini");
    Store(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);

    ASSERT_TRUE(WriteFileAtomically(link, std::string("new")));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(link)).isSymLink());
    EXPECT_EQ(Load(target), "new");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u) << "a private file stays private";
    EXPECT_EQ(Entries(), (QStringList{"real.txt", "Settings.ini"}));
}

TEST_F(SafeFileTest, AWriteThatFailsLeavesTheOldFileIntact) {
    const std::string path = PathOf("NodeBackup01.bin");
    const std::vector<std::uint8_t> old{0x00, 0xFF, 0x0D, 0x0A, 0x00, 0x1A};
    ASSERT_TRUE(WriteFileAtomically(path, old));
    EXPECT_EQ(Load(path), std::string("\0\xFF\r\n\0\x1A", 6)) << "bytes as they are";

    for (const SaveFault fault : {SaveFault::HalfWay, SaveFault::AtSync, SaveFault::AtRename}) {
        SetSaveFaultForTesting(fault);
        EXPECT_FALSE(WriteFileAtomically(path, std::string(1000, 'x')));
        EXPECT_EQ(Load(path), std::string("\0\xFF\r\n\0\x1A", 6));
        EXPECT_EQ(Entries(), QStringList{"NodeBackup01.bin"}) << "no temporary file left";
    }
    EXPECT_TRUE(WriteFileAtomically(path, std::string("ok"))) << "a fault lasts one write";
}

TEST_F(SafeFileTest, AFullDiskLeavesTheOldFileIntact) {
    // The kernel refuses bytes beyond the file size limit, as a full disk
    // would. A small file fails only when the writer's buffer goes out (the
    // case that used to replace the old file by an empty one); a large one
    // fails half way through its writes.
    struct Case {
        const char* what;
        rlim_t limit;
        std::size_t size;
        bool asBytes;
    };
    const Case cases[] = {
        {"small text", 0, 860, false},
        {"small bytes", 0, 96, true},
        {"large text", 4096, 100000, false},
    };
    const std::string path = PathOf("NodeInfo.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Store(path, "[1234-001]\nGameNumber=12\n");
        const std::string text(c.size, 'x');
        const std::vector<std::uint8_t> bytes(c.size, 0xC3);
        struct rlimit saved {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = c.limit;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written =
            c.asBytes ? WriteFileAtomically(path, bytes) : WriteFileAtomically(path, text);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        EXPECT_FALSE(written);
        EXPECT_EQ(Load(path), "[1234-001]\nGameNumber=12\n");
        EXPECT_EQ(Entries(), QStringList{"NodeInfo.ini"});
    }
}

TEST_F(SafeFileTest, WhatCannotBeReadIsToldApartFromWhatIsMissing) {
    std::string contents = "stale";
    EXPECT_EQ(ReadWholeFile(PathOf("absent.txt"), contents), FileRead::Missing);
    EXPECT_EQ(contents, "");

    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(PathOf("folder.txt"))));
    EXPECT_EQ(ReadWholeFile(PathOf("folder.txt"), contents), FileRead::Unreadable);
    ASSERT_EQ(::mkfifo(PathOf("pipe.txt").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(PathOf("pipe.txt"), contents), FileRead::Unreadable)
        << "a pipe is refused, not waited on";
    ASSERT_EQ(::symlink(PathOf("gone.txt").c_str(), PathOf("dangling.txt").c_str()), 0);
    EXPECT_EQ(ReadWholeFile(PathOf("dangling.txt"), contents), FileRead::Unreadable);

    // The largest file taken, and one byte more (sparse: no disk is used).
    const QString largest = QString::fromStdString(PathOf("largest.txt"));
    QFile file(largest);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(kLargestReadableFile));
    file.close();
    EXPECT_EQ(ReadWholeFile(largest.toStdString(), contents), FileRead::Read);
    EXPECT_EQ(contents.size(), static_cast<std::size_t>(kLargestReadableFile));
    ASSERT_TRUE(QFile::resize(largest, kLargestReadableFile + 1));
    EXPECT_EQ(ReadWholeFile(largest.toStdString(), contents), FileRead::Unreadable);

    Store(PathOf("binary.txt"), std::string("a\0b\r", 4));
    EXPECT_EQ(ReadWholeFile(PathOf("binary.txt"), contents), FileRead::Read);
    EXPECT_EQ(contents, std::string("a\0b\r", 4));
}

TEST_F(SafeFileTest, ANameTheFileNameEncodingCannotCarryIsNeverUsed) {
    // Latin-1 "é" as a lone byte is no UTF-8: Qt would read and write some
    // other name than the one stored.
    const std::string latin1 = PathOf("") + "caf\xE9.txt";
    EXPECT_FALSE(QtFileName(latin1).has_value());
    EXPECT_FALSE(QtFileName("").has_value());
    EXPECT_FALSE(WriteFileAtomically(latin1, std::string("x")));
    const std::string utf8 = PathOf("caf\xC3\xA9.txt");
    ASSERT_TRUE(WriteFileAtomically(utf8, std::string("x")));
    EXPECT_EQ(FileNameBytes(QtFileName(utf8).value_or(QString())), utf8);
    EXPECT_EQ(Entries(), QStringList{QString::fromUtf8("caf\xC3\xA9.txt")});
}

TEST_F(SafeFileTest, TwoNamesOfOneFileAreRecognised) {
    const std::string file = PathOf("MyLocation.txt");
    Store(file, "x");
    ASSERT_EQ(::symlink(file.c_str(), PathOf("link.txt").c_str()), 0);
    ASSERT_EQ(::link(file.c_str(), PathOf("hard.txt").c_str()), 0);
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(PathOf("sub"))));
    ASSERT_EQ(::symlink(dir_.path().toStdString().c_str(), PathOf("sub/up").c_str()), 0);

    EXPECT_TRUE(SameFile(file, PathOf("link.txt")));
    EXPECT_TRUE(SameFile(file, PathOf("hard.txt")));
    EXPECT_TRUE(SameFile(file, PathOf("sub/../MyLocation.txt")));
    EXPECT_TRUE(SameFile(PathOf("new.txt"), PathOf("sub/up/new.txt"))) << "not there yet";
    EXPECT_FALSE(SameFile(file, PathOf("MyDisclaimer.txt")));
    EXPECT_FALSE(SameFile(PathOf("a.txt"), PathOf("b.txt")));
}

TEST_F(SafeFileTest, OnlyARegularFileOrANewNameIsReplaced) {
    ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(PathOf("gone.txt").c_str(), PathOf("dangling.txt").c_str()), 0);
    EXPECT_TRUE(Replaceable(PathOf("new.txt")));
    EXPECT_FALSE(Replaceable(PathOf("dangling.txt")) || Replaceable(PathOf("")));
    EXPECT_FALSE(WriteFileAtomically(PathOf("pipe"), std::string("new")));
    struct stat info {};
    EXPECT_TRUE(::lstat(PathOf("pipe").c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
}
