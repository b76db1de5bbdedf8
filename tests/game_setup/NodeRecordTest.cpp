// The node record's rules: exact money texts, the tables, section names,
// game numbers, values the host cannot take, and the node message payload.
#include "game_setup/NodeRecord.h"

#include <gtest/gtest.h>

namespace gamesetup {
namespace {

// Digits past the fourth place round, halves to the even neighbour; a text
// that is no number gives 0.
TEST(Money, TextsAreExactDecimalValues) {
    const std::pair<const char*, Money> cases[] = {
        {"$0.15", Cents(15)},    {" $25.00 ", Cents(2500)},
        {"5.", Cents(500)},      {".5", Cents(50)},
        {"-$1.00", -Cents(100)}, {"$-1.00", -Cents(100)},
        {"007", Cents(700)},     {"0.00005", 0},
        {"0.00015", 2},          {"0.000051", 1},
        {"0.00014999", 1},       {"99999999999999", 99999999999999 * kMoneyScale}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(GetNumeric(text), value) << text;
    }
    for (const char* text : {"", " ", "$", ".", "-", "abc", "1.2.3", "1,00", "$1.00x", "1 2", "--1",
                             "999999999999999" /* 15 digits */}) {
        EXPECT_FALSE(ParseMoney(text).has_value()) << text;
    }
    // Whole numbers take halves to the even neighbour too.
    const std::pair<const char*, std::int64_t> wholes[] = {
        {"1.5", 2}, {"2.5", 2}, {"2.5001", 3}, {"2.4999", 2}, {"-2.5", -2}, {"-3.5", -4}};
    for (const auto& [text, whole] : wholes) {
        EXPECT_EQ(RoundToWhole(GetNumeric(text)), whole) << text;
    }
}

TEST(NodeSection, PadsPrefixToFourAndNodeToThreeDigits) {
    EXPECT_EQ(NodeSectionName(1234, 7), "1234-007");
    EXPECT_EQ(NodeSectionName(0, 255), "0000-255");
    EXPECT_EQ(NodeSectionName(32767, 1), "32767-001");
}

TEST(GameNumber, TakesWholeNumbersFromZeroTo32767Only) {
    EXPECT_EQ(ParseGameNumber("0"), 0);
    EXPECT_EQ(ParseGameNumber(" 42 "), 42);
    EXPECT_EQ(ParseGameNumber("32767"), 32767);
    for (const char* text :
         {"", " ", "32768", "99999", "100000", "-1", "+5", "1.0", "12a", "0x10"}) {
        EXPECT_FALSE(ParseGameNumber(text).has_value()) << text;
    }
    // A box is judged by its text against what the window put there: the
    // same text keeps the node's own number (one it could not hold too),
    // any other text must be a game number.
    EXPECT_EQ(GameNumberEntry("3", "3", 3), 3);
    EXPECT_EQ(GameNumberEntry("", "", -1), -1);
    EXPECT_EQ(GameNumberEntry("03", "3", 3), 3);
    EXPECT_EQ(GameNumberEntry("45", "3", 3), 45);
    EXPECT_FALSE(GameNumberEntry("70000", "3", 3).has_value());
    EXPECT_FALSE(GameNumberEntry("", "3", 3).has_value());
}

TEST(NodeProblems, NamesEveryFieldOutsideItsListAtBothEdges) {
    NodeRecord good{6, 15, 0, 6, 0xFF, 32767, 1};
    EXPECT_TRUE(NodeProblems(good, 1).empty());

    NodeRecord bad{7, 16, 0, 7, 0, -1, 2};
    const auto problems = NodeProblems(bad, 9);
    std::vector<std::string> fields;
    for (const auto& p : problems) {
        fields.push_back(p.field);
    }
    ASSERT_EQ(fields, (std::vector<std::string>{"GameNumber", "GameGroup", "NoteInValue", "Denom",
                                                "KeyDown"}));
    EXPECT_EQ(problems[4].value, 16);
    EXPECT_EQ(problems[4].last, 15);
    EXPECT_EQ(problems[0].node, 9);

    NodeTable table{};
    table[2].Denom = 9;
    table[4].KeyDown = 20;
    table[5].KeyDown = 20; // beyond maxNode: not looked at
    const auto inTable = TableProblems(table, 4);
    ASSERT_EQ(inTable.size(), 2u);
    EXPECT_EQ(DescribeProblems(inTable, 1), "Node 2: Denom 9 (0 to 6)\n... and 1 more\n");
    EXPECT_EQ(DescribeProblems(inTable, 5),
              "Node 2: Denom 9 (0 to 6)\nNode 4: KeyDown 20 (0 to 15)\n");
}

TEST(TableCommands, ReachNodesOneToMaxNodeOnly) {
    NodeTable table{};
    table[2] = {3, 9, 0, 5, 1, 44, 1};
    table[4] = {1, 1, 0, 1, 0, 77, 1}; // beyond maxNode 3
    SetAllToNode(table, 2, 3);
    EXPECT_EQ(table[1], (NodeRecord{3, 9, 0, 5, 1, 0, 0}));
    EXPECT_EQ(table[3], table[1]);
    EXPECT_EQ(table[2], (NodeRecord{3, 9, 0, 5, 1, 44, 1}));
    EXPECT_EQ(table[4], (NodeRecord{1, 1, 0, 1, 0, 77, 1}));

    AutoSetGameNumbers(table, 3);
    EXPECT_EQ(table[2].GameNumber, 2);
    EXPECT_EQ(table[2].GameGroup, 0);
    EXPECT_EQ(table[4].GameNumber, 77);
    EXPECT_EQ(table[0], NodeRecord{});
    EXPECT_EQ(table[3].Denom, 3); // only numbers and groups change
}

// Key-down and denomination share a byte, as do note-in and the coin value.
TEST(NodePayload, CarriesTheNodeAsTheHostTakesIt) {
    const NodeRecord node{3, 8, 2, 4, 1, 32767, 1};
    const std::array<std::uint8_t, 9> expected{8, 7, 255, 0x83, 0x42, 1, 0xFF, 0x7F, 1};
    EXPECT_EQ(NodePayload(255, node), expected);
}

} // namespace
} // namespace gamesetup
