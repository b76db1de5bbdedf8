// The profile calls and their batch form: defaults, numbers, the reading of
// odd files (line ends, NUL bytes, byte-order marks, duplicates) shared by
// reads and writes, and files written with only the lines concerned changed.
#include "platform/IniProfile.h"
#include "platform/SafeFile.h"

#include "tests/platform/FolderTest.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

using namespace platform;
using platformtest::Load;
using platformtest::Store;

namespace {
using IniProfileTest = platformtest::FolderTest;
using ProfileBatchTest = platformtest::FolderTest;
} // namespace

TEST_F(IniProfileTest, MissingFileSectionOrKeyGivesTheDefaultAndIntegersTheLeadingDigits) {
    const std::string absent = PathOf("Absent.ini");
    EXPECT_EQ(GetProfileString("Settings", "ComPort", "COM1", absent), "COM1");
    EXPECT_EQ(GetProfileInt("Settings", "ComPort", 4, absent), 4);
    EXPECT_TRUE(Entries().isEmpty()) << "reading never creates the file";

    const std::string path = PathOf("Settings.ini");
    Store(path, "[Settings]\r\nComPort=2\r\nEmpty=\r\n;Hidden=1\r\n#Also=1\r\n"
                "[N]\nDecimal=50.00\nSigned= -7x\nWord=abc\nPlus=+12\nBlank=   \n"
                "High=3000000000\nTop=4294967295\nBig=99999999999\n");
    EXPECT_EQ(GetProfileString("Settings", "Missing", "x", path), "x");
    EXPECT_EQ(GetProfileString("Settings", "Empty", "x", path), "");
    // A comment is no key; a value past 32 bits saturates instead of wrapping.
    const std::tuple<const char*, const char*, long> rows[] = {
        {"Other", "ComPort", 5},    {"Settings", ";Hidden", 5}, {"Settings", "#Also", 5},
        {"Settings", "Empty", 5},   {"N", "Decimal", 50},       {"N", "Signed", -7},
        {"N", "Word", 0},           {"N", "Plus", 12},          {"N", "Blank", 5},
        {"N", "High", 3000000000L}, {"N", "Top", 4294967295L},  {"N", "Big", 4294967295L},
    };
    for (const auto& [section, key, value] : rows) {
        EXPECT_EQ(GetProfileInt(section, key, 5, path), value) << section << " " << key;
    }
}

TEST_F(IniProfileTest, ANewFileIsPlainKeyEqualsValueCutTo254AndAFailedWriteLeavesNoTraces) {
    ASSERT_TRUE(WriteProfileString("Transaction", "PrintMask", "65535", PathOf("New.ini")));
    EXPECT_EQ(Load(PathOf("New.ini")), "[Transaction]\nPrintMask=65535\n");
    // A long value is cut to 254 characters.
    ASSERT_TRUE(WriteProfileString("Text", "Line", std::string(300, 'k'), PathOf("New.ini")));
    EXPECT_EQ(GetProfileString("Text", "Line", "", PathOf("New.ini")), std::string(254, 'k'));
    EXPECT_FALSE(WriteProfileString("Settings", "ComPort", "1", PathOf("no-such-folder/S.ini")));
    EXPECT_EQ(Entries(), QStringList{"New.ini"}) << "no temporary file left behind";
}

TEST_F(ProfileBatchTest, ManyWritesReplaceTheFileOnceAtCommit) {
    const std::string path = PathOf("NodeInfo.ini");
    Store(path, "[Node1]\r\nGame=3\r\n");
    ProfileBatch batch(path);
    ASSERT_TRUE(batch.Readable());
    EXPECT_TRUE(batch.Write("Node1", "Game", "4"));
    EXPECT_TRUE(batch.Write("Node2", "Game", "5"));
    EXPECT_TRUE(batch.Write("node2", "GROUP", "1"));
    EXPECT_EQ(batch.GetInt("NODE1", "game", 0), 4) << "a batch reads its own writes";
    EXPECT_EQ(Load(path), "[Node1]\r\nGame=3\r\n") << "nothing is written before Commit";

    // A commit that fails keeps the changes for the next one.
    SetSaveFaultForTesting(SaveFault::AtRename);
    EXPECT_FALSE(batch.Commit());
    EXPECT_TRUE(batch.Changed());
    EXPECT_EQ(Load(path), "[Node1]\r\nGame=3\r\n");
    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(Load(path), "[Node1]\r\nGame=4\r\n\r\n[Node2]\r\nGame=5\r\nGROUP=1\r\n");

    // Nothing changed, nothing written: not even an empty file.
    const std::string absent = PathOf("Absent.ini");
    EXPECT_TRUE(ProfileBatch(absent).Commit());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(absent)));
    Store(path, "[A]\nX = 1\n");
    ProfileBatch spaced(path);
    ASSERT_TRUE(spaced.Write("a", "X", "1"));
    EXPECT_TRUE(spaced.Changed()) << "the blanks around '=' go";
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

TEST_F(ProfileBatchTest, OddFilesAreReadAndWrittenAsTheyAre) {
    struct Case {
        const char* what;
        std::string file; // '@' stands for a NUL byte
        std::array<const char*, 3> read;
        std::vector<std::array<const char*, 3>> writes;
        std::string after;
    };
    const Case cases[] = {
        {"only the line concerned changes, names in any case",
         "[Settings]\r\nComPort = 3\r\n\r\n; node table\r\n[Nodes]\r\nCount=4\r\n",
         {"nodes", "COUNT", "4"}, {{"settings", "COMPORT", "5"}, {"Settings", "Baud", "9600"}},
         "[Settings]\r\nCOMPORT=5\r\nBaud=9600\r\n\r\n; node table\r\n[Nodes]\r\nCount=4\r\n"},
        {"CR alone (an old Mac editor), then mixed line ends",
         "[Settings]\rLocation=a.txt\rPort=2\r\r[Other]\r\nX=1\nY=2", {"Other", "Y", "2"},
         {{"Settings", "Location", "b.txt"}, {"Settings", "New", "n"}, {"Other", "Z", "3"}},
         "[Settings]\rLocation=b.txt\rPort=2\rNew=n\r\r[Other]\r\nX=1\nY=2\rZ=3\r"},
        {"byte-order mark, no final line end", "\xEF\xBB\xBF[Settings]\r\nPort=2",
         {"Settings", "Port", "2"}, {{"Settings", "Baud", "9600"}},
         "\xEF\xBB\xBF[Settings]\r\nPort=2\r\nBaud=9600\r\n"},
        {"only a comment", "; only a comment", {"A", "X", "-"}, {{"A", "X", "1"}},
         "; only a comment\n\n[A]\nX=1\n"},
        {"duplicates: the first is read, all are written",
         "Port=0\n[S]\nPort=1\nPort=2\n[T]\nPort=9\n[s]\nPORT=3\n; end\n", {"S", "Port", "1"},
         {{"S", "Port", "5"}, {"S", "Baud", "7"}},
         "Port=0\n[S]\nPort=5\nPort=5\n[T]\nPort=9\n[s]\nPort=5\nBaud=7\n; end\n"},
        {"NUL bytes hide nothing", "[Site]\nMaxNode=12@junk\nCardPrefix=777\n; @ c\n[Bonus]\nOdds=900\n",
         {"Site", "CardPrefix", "777"}, {{"Bonus", "Odds", "901"}},
         "[Site]\nMaxNode=12@junk\nCardPrefix=777\n; @ c\n[Bonus]\nOdds=901\n"},
    };
    const auto nul = [](std::string text) {
        std::replace(text.begin(), text.end(), '@', '\0');
        return text;
    };
    const std::string path = PathOf("Settings.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Store(path, nul(c.file));
        EXPECT_EQ(GetProfileString(c.read[0], c.read[1], "-", path), c.read[2]);
        for (int run = 0; run < 2; ++run) {
            for (const auto& [section, key, value] : c.writes) {
                ASSERT_TRUE(WriteProfileString(section, key, value, path));
            }
        }
        EXPECT_EQ(Load(path), nul(c.after));
    }
    EXPECT_EQ(GetProfileString("Site", "MaxNode", "", path), "12");
    EXPECT_EQ(GetProfileInt("Bonus", "Odds", 0, path), 901);
    ASSERT_TRUE(WriteProfileString("Terminal", "Chat", std::string("a\0b", 3), path));
    EXPECT_EQ(GetProfileString("Terminal", "Chat", "", path), "a b");
}

TEST_F(IniProfileTest, AFileWhoseValuesCannotBeReadIsToldApartFromAPlainOne) {
    using namespace std::string_literals;
    const std::pair<std::string, const char*> cases[] = {
        {"\xEF\xBB\xBF; note\n [ S ]\nX=1\0tail"s, ""},
        {" \r\n\t\n"s, "is empty"},
        {"\xFF\xFE[\0A\0]\0"s, "is UTF-16 text"},
        {"[\0A\0]\0\r\0\n\0"s, "holds no [section] line"},
        {"\x7F" "ELF\x02[\x01\0]X=1\n"s, "holds no [section] line"},
    };
    for (const auto& [text, problem] : cases) {
        Store(PathOf("Settings.ini"), text);
        EXPECT_EQ(ProfileFileProblem(PathOf("Settings.ini")), problem) << text;
    }
    EXPECT_EQ(ProfileFileProblem(PathOf("absent.ini")), "no such file");
    EXPECT_EQ(ProfileFileProblem(PathOf("")), "could not be read");
}
