// The batch form of the profile calls, the reading of odd files (line ends,
// NUL bytes, byte-order marks, duplicates) shared by reads and writes, and a
// seeded random test of the reader/writer pair.
#include "platform/IniProfile.h"

#include "tests/platform/FolderTest.h"

#include <QFile>
#include <QFileInfo>

#include <map>
#include <random>

using namespace platform;
using platformtest::Load;
using platformtest::Store;

namespace {
using ProfileBatchTest = platformtest::FolderTest;
} // namespace

TEST_F(ProfileBatchTest, ManyWritesReplaceTheFileOnceAtCommit) {
    const std::string path = PathOf("NodeInfo.ini");
    Store(path, "[Node1]\r\nGame=3\r\n");
    ProfileBatch batch(path);
    ASSERT_TRUE(batch.Readable());
    EXPECT_TRUE(batch.Write("Node1", "Game", "4"));
    EXPECT_TRUE(batch.Write("Node2", "Game", "5"));
    EXPECT_TRUE(batch.Write("node2", "GROUP", "1"));
    EXPECT_EQ(batch.GetInt("NODE1", "game", 0), 4) << "a batch reads its own writes";
    EXPECT_EQ(batch.GetString("Node2", "Group", ""), "1");
    EXPECT_EQ(Load(path), "[Node1]\r\nGame=3\r\n") << "nothing is written before Commit";

    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(Load(path), "[Node1]\r\nGame=4\r\n\r\n[Node2]\r\nGame=5\r\nGROUP=1\r\n");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"NodeInfo.ini"});
}

TEST_F(ProfileBatchTest, NothingChangedWritesNothing) {
    const std::string absent = PathOf("Absent.ini");
    ProfileBatch empty(absent);
    EXPECT_TRUE(empty.Commit());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(absent)));

    const std::string path = PathOf("Settings.ini");
    Store(path, "[A]\nX = 1\n");
    ProfileBatch same(path);
    ASSERT_TRUE(same.Write("a", "X", "1"));
    EXPECT_TRUE(same.Changed()) << "the blanks around '=' go";
    Store(path, "[A]\nX=1\n");
    ProfileBatch unchanged(path);
    ASSERT_TRUE(unchanged.Write("A", "X", "1"));
    EXPECT_FALSE(unchanged.Changed());
}

TEST_F(ProfileBatchTest, AFileThatCannotBeReadIsNeverRewritten) {
    // A folder where the file should be, and a name the file name encoding
    // cannot carry: reads give defaults, commits refuse.
    const std::string folder = PathOf("Settings.ini");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    for (const std::string& name : {folder, PathOf("") + "Caf\xE9.ini"}) {
        ProfileBatch batch(name);
        EXPECT_FALSE(batch.Readable()) << name;
        EXPECT_EQ(batch.GetInt("A", "X", 7), 7);
        EXPECT_TRUE(batch.Write("A", "X", "1"));
        EXPECT_FALSE(batch.Commit());
        EXPECT_FALSE(WriteProfileString("A", "X", "1", name));
    }
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder)).isDir());
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{});
}

TEST_F(ProfileBatchTest, EveryKindOfLineEndEndsALineForReadsAndWrites) {
    const std::string path = PathOf("Settings.ini");
    // CR alone (an old Mac editor), then mixed.
    Store(path, "[Settings]\rLocation=a.txt\rPort=2\r\r[Other]\r\nX=1\nY=2");
    EXPECT_EQ(GetProfileInt("Settings", "Port", 0, path), 2);
    EXPECT_EQ(GetProfileInt("Other", "Y", 0, path), 2);
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(WriteProfileString("Settings", "Location", "b.txt", path));
        ASSERT_TRUE(WriteProfileString("Settings", "New", "n", path));
        ASSERT_TRUE(WriteProfileString("Other", "Z", "3", path));
    }
    EXPECT_EQ(Load(path),
              "[Settings]\rLocation=b.txt\rPort=2\rNew=n\r\r[Other]\r\nX=1\nY=2\rZ=3\r");
}

TEST_F(ProfileBatchTest, NulBytesHideNothingFromTheReaderAndSurviveWrites) {
    const std::string path = PathOf("Settings.ini");
    const std::string original =
        std::string("[SiteParam]\nMaxNode=12\0junk\nCardPrefix=777\n", 42) +
        std::string("; \0 comment\n[SiteParamBonus]\nOdds=900\n", 37);
    Store(path, original);
    EXPECT_EQ(GetProfileString("SiteParam", "MaxNode", "", path), "12");
    EXPECT_EQ(GetProfileInt("SiteParam", "CardPrefix", 1234, path), 777);
    EXPECT_EQ(GetProfileInt("SiteParamBonus", "Odds", 5000, path), 900);

    ASSERT_TRUE(WriteProfileString("SiteParamBonus", "Odds", "901", path));
    std::string expected = original;
    expected.replace(expected.find("Odds=900"), 8, "Odds=901");
    EXPECT_EQ(Load(path), expected);

    ASSERT_TRUE(WriteProfileString("Terminal", "Chat", std::string("a\0b", 3), path));
    EXPECT_EQ(GetProfileString("Terminal", "Chat", "", path), "a b");
}

TEST_F(ProfileBatchTest, ByteOrderMarkAndMissingFinalLineEndAreKept) {
    const std::string path = PathOf("Settings.ini");
    Store(path, "\xEF\xBB\xBF[Settings]\r\nPort=2");
    EXPECT_EQ(GetProfileInt("Settings", "Port", 0, path), 2);
    ASSERT_TRUE(WriteProfileString("Settings", "Baud", "9600", path));
    EXPECT_EQ(Load(path), "\xEF\xBB\xBF[Settings]\r\nPort=2\r\nBaud=9600\r\n");

    const std::string bare = PathOf("Bare.ini");
    Store(bare, "; only a comment");
    ASSERT_TRUE(WriteProfileString("A", "X", "1", bare));
    EXPECT_EQ(Load(bare), "; only a comment\n\n[A]\nX=1\n");
}

TEST_F(ProfileBatchTest, DuplicatesReadTheFirstAndAreAllWritten) {
    const std::string path = PathOf("Settings.ini");
    Store(path, "Port=0\n[S]\nPort=1\nPort=2\n[T]\nPort=9\n[s]\nPORT=3\n; end\n");
    EXPECT_EQ(GetProfileInt("S", "Port", -1, path), 1);
    ASSERT_TRUE(WriteProfileString("S", "Port", "5", path));
    ASSERT_TRUE(WriteProfileString("S", "Baud", "7", path));
    EXPECT_EQ(Load(path), "Port=0\n[S]\nPort=5\nPort=5\n[T]\nPort=9\n[s]\nPort=5\nBaud=7\n; end\n");
}
