// The node files: NodeInfo.ini through the profile seam, NodeInfo.txt both
// ways, and the two backup images.
#include "game_setup/NodeFiles.h"

#include "game_setup/FileCommands.h"

#include "platform/IniProfile.h"
#include "tests/platform/FolderTest.h"

#include <sys/stat.h>

namespace gamesetup {
namespace {

// Denomination 3, key-down 8, note-in 4, kiosk, game 12 B.
constexpr NodeRecord kNode7{3, 8, 0, 4, 1, 12, 1};

// A table whose nodes all differ, every field used.
NodeTable Varied(int maxNode) {
    NodeTable table{};
    for (int n = 1; n <= maxNode; ++n) {
        NodeRecord& r = table[static_cast<std::size_t>(n)];
        r.GameNumber = static_cast<std::int16_t>(n == maxNode ? 32767 : n * 7);
        r.GameGroup = static_cast<std::uint8_t>(n % 2);
        r.NoteInValue = static_cast<std::uint8_t>(n % 7);
        r.Denom = static_cast<std::uint8_t>((n + 3) % 7);
        r.KeyDown = static_cast<std::uint8_t>(n % 16);
        r.Config = static_cast<std::uint8_t>(n * 13 % 256);
    }
    return table;
}

class NodeFiles : public platformtest::FolderTest {
protected:
    std::string Path(const char* name) const { return PathOf(name); }
};

TEST(NodeText, AWholeFileIsTheHeaderAndOneCrLfLinePerNode) {
    constexpr NodeRecord r{3, 8, 0, 4, 31, 12345, 0};
    NodeTable table{};
    table[1] = kNode7;
    table[2] = r;
    EXPECT_EQ(NodeTextFile(table, 1234, 2),
              "Site\tAddr\tGame #\tNote-In\tDenom\tKeyDown\tOptions\r\n"
              "1234\t001\t0012B\t$1.00\t$0.25\t$1.00\t0x01\r\n"
              "1234\t002\t12345A\t$1.00\t$0.25\t$1.00\t0x1F\r\n");
    EXPECT_EQ(NodeTextLine(5, 255, r), "0005\t255\t12345A\t$1.00\t$0.25\t$1.00\t0x1F");
    EXPECT_EQ(NodeTextFile(table, 1234, 0),
              "Site\tAddr\tGame #\tNote-In\tDenom\tKeyDown\tOptions\r\n");
}

// Lines end in CR LF, in CR alone (line 5) or in LF alone (line 16).
TEST(NodeText, SkippedLinesAreCountedWithTheirReasons) {
    const std::string text = "Site\tAddr\tGame #\tNote-In\tDenom\tKeyDown\tOptions\r\n" // 1 header
                             "1234\t001\t0001A\t$0.01\t$0.01\t$0.01\t0x00\r\n"          // 2 taken
                             "1235\t002\t0002A\t$0.01\t$0.01\t$0.01\t0x00\r\n"          // 3 site
                             "1234\t003\t0003A\t$0.01\t$0.01\t$0.01\r\n"                // 4 six
                             "\r"                                                       // 5 CR
                             "1234\t000\t0004A\t$0.01\t$0.01\t$0.01\t0x00\r\n"          // 6 node 0
                             "1234\t005\t0005A\t$0.01\t$0.01\t$0.01\t0x00\r\n"          // 7 > max
                             "1234\t004\t0006A\t$0.01\t$0.01\t$0.01\tzz\r\n"            // 8 options
                             "1234\t004\t0006A\t$0.01\t$0.01\t$0.01\t0x100\r\n"         // 9 options
                             "1234\t004\t32768A\t$0.01\t$0.01\t$0.01\t0x00\r\n"         // 10 game
                             "1234\t002\t0006c\t$0.01\t$0.01\t$0.01\t0x00\r\n"          // 11 taken
                             "1234\t004\t0006A\t$0.30\t$0.01\t$0.01\t0x00\r\n"   // 12 note-in
                             "1234\t004\t0006A\t$0.01\t$3.00\t$0.01\t0x00\r\n"   // 13 denom
                             "1234\t004\t0006A\t$0.01\t$0.01\t$0.30\t0x00\r\n"   // 14 keydown
                             "x\t004\t0006A\t$0.01\t$0.01\t$0.01\t0x00\r\n"      // 15 site
                             "1234\t4\t32767b\t\"$0.05\"\t 1 \t$3.00\t0XfF\n"    // 16 taken
                             "1234\t002\t0002A\t$0.01\t$0.01\t$0.01\t0x00\t\r\n" // 17 eight
                             "1234\t001\t0007D\t$0.01\t$0.01\t$0.01\t0x00\r\n"   // 18 again
                             "1234\t001\t00071\t$0.01\t$0.01\t$0.01\t0x00\r\n";  // 19 game
    NodeTable table{};
    table[3].Denom = 5; // untouched by the skipped line of node 3
    const TextImport import = ReadNodeText(text, 1234, 4, table);
    EXPECT_EQ(import.nodesRead, 3) << "nodes 1, 2 and 4, from four lines";
    std::vector<int> lines;
    for (const SkippedLine& s : import.skipped) {
        lines.push_back(s.line);
    }
    EXPECT_EQ(lines, (std::vector<int>{3, 4, 6, 7, 8, 9, 10, 12, 13, 14, 15, 17, 19}));
    EXPECT_EQ(import.skipped[0].reason, "site 1235 is not this site (1234)");
    EXPECT_EQ(import.skipped[1].reason, "has 6 fields, 7 expected");
    EXPECT_EQ(import.skipped[2].reason, "node 0 is outside 1 to 4");
    EXPECT_EQ(import.skipped[3].reason, "node 5 is outside 1 to 4");
    EXPECT_EQ(import.skipped[4].reason, "options \"zz\" is not a hexadecimal number 0x00 to 0xFF");
    EXPECT_EQ(import.skipped[9].reason, "key-down \"$0.30\" is not one of the values of its list");
    EXPECT_EQ(import.skipped[10].reason, "site \"x\" is not a number");
    EXPECT_EQ(import.skipped[12].reason,
              "game \"00071\" is not a number 0 to 32767 followed by a group letter (A or B)");
    EXPECT_EQ(ImportReport(import, 13).find("more"), std::string::npos);
    const std::string report = ImportReport(import, 12);
    EXPECT_EQ(report.rfind("Read 3 nodes; skipped 13 lines.\n\nLine 3: site 1235", 0), 0u);
    EXPECT_TRUE(report.ends_with("\nLine 17: has 8 fields, 7 expected\n... and 1 more\n"));

    EXPECT_EQ(table[3].Denom, 5);
    // The group is the letter's code less 65, odd or even: c gives A, D gives B.
    EXPECT_EQ(table[2].GameNumber, 6);
    EXPECT_EQ(table[2].GameGroup, 0);
    EXPECT_EQ(table[1].GameNumber, 7) << "the last line of a node counts";
    EXPECT_EQ(table[1].GameGroup, 1);
    EXPECT_EQ(table[4], (NodeRecord{4, 9, 0, 1, 0xFF, 32767, 1}));
}

TEST(NodeText, AHugeBadFieldIsQuotedShort) {
    // One field of 5 MB (and a UTF-8 character across the cut): the report
    // names the line without carrying the field.
    const std::string field = std::string(59, '7') + "\xC3\xA9" + std::string(5'000'000, '7');
    const std::string text = "1234\t001\t0001A\t" + field + "\t$0.01\t$0.01\t0x00\r\n";
    NodeTable table{};
    const TextImport import = ReadNodeText(text, 1234, 5, table);
    ASSERT_EQ(import.skipped.size(), 1u);
    EXPECT_EQ(import.skipped[0].reason, "note-in \"" + std::string(59, '7') +
                                            "...\" (5000061 bytes) is not one of the values of "
                                            "its list");
}

TEST(Backups, NodeAndSiteRecordsFollowTheHostsLayout) {
    std::array<std::uint8_t, 96> record{0xC3, 0x83, 0x40, 0x01, 0x0C, 0x00, 0x01};
    record[92] = 0x3C;
    EXPECT_EQ(NodeBackupRecord(kNode7), record);
    NodeTable table{};
    table[2] = kNode7;
    const std::string image = NodeBackupImage(table, 3);
    ASSERT_EQ(image.size(), 3u * 96);
    EXPECT_EQ(static_cast<std::uint8_t>(image[96 + 1]), 0x83); // node 2 is the second record
    EXPECT_EQ(static_cast<std::uint8_t>(image[2 * 96 + 1]), 0x00);

    // Every field in its order: max node 40, options 0x5A, printer 3, card
    // prefix 1234, alarm 0x84:0x80, cash drop day 0x83, percentage 7, odds
    // 500, refill 5000, limit 70000 (which has no place in the backup), store
    // and print masks, operator prefix 4321 and kiosk note-in 6.
    const SiteParamRecord s{40,  0x5A, 3,     1234,       0x84,       0x80, 0x83, 7,
                            500, 5000, 70000, 0x01020304, 0xA0B0C0D0, 4321, 6};
    const auto b = SiteBackupBytes(s);
    std::array<std::uint8_t, 256> expected{};
    const std::vector<std::pair<int, std::uint8_t>> set{
        {0, 0x55},  {1, 40},    {2, 0x5A},  {3, 3},     {4, 0xD2},  {5, 0x04},  {6, 0x84},
        {7, 0x80},  {8, 0x83},  {9, 7},     {10, 0xF4}, {11, 0x01}, {12, 0x88}, {13, 0x13},
        {68, 0x04}, {69, 0x03}, {70, 0x02}, {71, 0x01}, {72, 0xD0}, {73, 0xC0}, {74, 0xB0},
        {75, 0xA0}, {84, 0xE1}, {85, 0x10}, {86, 6},    {87, 0xAA}};
    for (const auto& [at, value] : set) {
        expected[static_cast<std::size_t>(at)] = value;
    }
    EXPECT_EQ(b, expected);
    EXPECT_EQ(SiteBackupImage(s).size(), 256u);
}

TEST_F(NodeFiles, IniRoundTripKeepsOtherSectionsMissingGivesZerosUnfitValuesAreNamed) {
    const std::string ini = Path("NodeInfo.ini");
    platformtest::Store(ini, "; node table\r\n[Other]\r\nKeep=yes\r\n[4321-001]\r\nGameNumber=99\r\n");
    const NodeTable table = Varied(5);
    ASSERT_TRUE(SaveNodeIni(ini, table, 1234, 5));

    EXPECT_EQ(LoadNodeIni(ini, 1234, 5).table, table);
    EXPECT_EQ(platform::GetProfileString("Other", "Keep", "", ini), "yes");
    EXPECT_EQ(LoadNodeIni(ini, 4321, 1).table[1].GameNumber, 99);
    // Keys in their order, as decimal text.
    const std::string text = platformtest::Load(ini);
    EXPECT_NE(text.find("[1234-005]\r\nGameNumber=32767\r\nGameGroup=1\r\nNoteInValue=5\r\n"
                        "Denom=1\r\nKeyDown=5\r\nConfig=65\r\n"),
              std::string::npos);

    EXPECT_EQ(LoadNodeIni(Path("none.ini"), 1234, 255).table, NodeTable{});
    platformtest::Store(ini, "[1234-002]\nDenom=9\nKeyDown=300\nGameNumber=40000\nConfig=-1\nGameGroup=255\n"
              "[1234-003]\nGameNumber=-5\nNoteInValue=6\n");
    const IniLoad stored = LoadNodeIni(ini, 1234, 3);
    ASSERT_EQ(stored.unfit.size(), 3u); // values that fit no field at all
    EXPECT_EQ(stored.unfit[0].field, "GameNumber");
    EXPECT_EQ(stored.unfit[0].value, 40000);
    EXPECT_EQ(stored.unfit[2].field, "Config");
    EXPECT_EQ(stored.table[2].GameNumber, -1);
    EXPECT_EQ(stored.table[2].KeyDown, 0xFF);
    // Each is named once when the window opens, not again for its stand-in.
    const std::string notice = OpenNodeTable(ini, 1234, 3).notice.text;
    EXPECT_EQ(notice.find("KeyDown"), notice.rfind("KeyDown")) << notice;

    // Saved again, what nobody changed keeps its stored text, unfit or not;
    // a changed field is written.
    NodeTable edited = stored.table;
    edited[2].KeyDown = 4;
    ASSERT_TRUE(SaveNodeIni(ini, edited, 1234, 3, stored.unfit));
    for (const auto& [key, text] : std::vector<std::pair<const char*, const char*>>{
             {"GameNumber", "40000"}, {"Config", "-1"}, {"KeyDown", "4"}, {"Denom", "9"}}) {
        EXPECT_EQ(platform::GetProfileString("1234-002", key, "", ini), text) << key;
    }
}

// "Write File" as the window calls it: the table with the window's card
// prefix and node count (not the stale ones of the record it is given).
TEST_F(NodeFiles, WriteFileReplacesAllThreeCutsLongerBackupsAndNamesWhatItCouldNotWrite) {
    const std::string folder = dir_.path().toStdString();
    platformtest::Store(Path("NodeBackup99.bin"), std::string(5000, 'x'));
    platformtest::Store(Path("SiteBackup99.bin"), std::string(600, 'x'));
    const SiteParamRecord stale{.MaxNode = 3, .CardPrefix = 99};
    NodeTable table = Varied(7);
    table[7] = kNode7;
    const FileOutcome written = WriteNodeTableFiles(folder, table, stale, 1234, 7);
    EXPECT_TRUE(written.done);
    EXPECT_TRUE(written.notice.text.empty());

    EXPECT_EQ(platformtest::Load(Path("NodeInfo.txt")), NodeTextFile(table, 1234, 7));
    EXPECT_EQ(platformtest::Load(Path("NodeBackup99.bin")), NodeBackupImage(table, 7));
    EXPECT_EQ(platformtest::Load(Path("SiteBackup99.bin")),
              SiteBackupImage({.MaxNode = 7, .CardPrefix = 1234}));
    std::string contents;
    EXPECT_EQ(ReadWholeFile(Path("absent.txt"), contents), TextRead::Missing);
    ASSERT_EQ(::mkfifo(Path("pipe.txt").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(Path("pipe.txt"), contents), TextRead::Unreadable)
        << "a pipe named like the node file is refused, not waited on";

    const std::string missing = folder + "/no-such-folder";
    const FileOutcome failed = WriteNodeTableFiles(missing, table, stale, 1234, 7);
    EXPECT_FALSE(failed.done);
    for (const char* name : {"/NodeInfo.txt", "/NodeBackup99.bin", "/SiteBackup99.bin"}) {
        EXPECT_NE(failed.notice.text.find(missing + name), std::string::npos) << name;
    }

    // A table with an entry out of range is refused before any file changes.
    const std::string before = platformtest::Load(Path("NodeInfo.txt"));
    table[2].Denom = 200;
    const FileOutcome refused = WriteNodeTableFiles(folder, table, stale, 1234, 7);
    EXPECT_FALSE(refused.done);
    EXPECT_NE(refused.notice.text.find("200"), std::string::npos) << refused.notice.text;
    EXPECT_EQ(platformtest::Load(Path("NodeInfo.txt")), before);
}

// A game number that is refused names what the operator sees: the typed
// text, or, for a box left empty over a stored number no node can have,
// that number.
TEST(GameNumberRefusal, NamesTheStoredNumberOnlyForAnEmptyBoxOverOne) {
    const std::map<int, long> stored{{2, 99999}};
    EXPECT_NE(GameNumberRefusal(2, "", stored).find("stored game number 99999"), std::string::npos);
    EXPECT_NE(GameNumberRefusal(2, "40000", stored).find("\"40000\""), std::string::npos);
    EXPECT_NE(GameNumberRefusal(3, "", stored).find("\"\" of node 3"), std::string::npos);
}

} // namespace
} // namespace gamesetup
