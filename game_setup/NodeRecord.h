#pragma once
// One game node's settings and the rules around them: the denomination and
// key-down tables, money texts read as exact decimal values, the node's
// section name, which stored values the host can take, and the bytes that
// carry a node to the host (the node message) and into the node backup.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gamesetup {

struct NodeRecord {
    std::uint8_t Denom = 0;       // denomination table index, 0..6
    std::uint8_t KeyDown = 0;     // key-down table index, 0..15
    std::uint8_t CoinInValue = 0; // never set by the window, always 0
    std::uint8_t NoteInValue = 0; // denomination table index, 0..6
    std::uint8_t Config = 0;      // bit 0: kiosk
    std::int16_t GameNumber = 0;  // 0..32767 to be sent
    std::uint8_t GameGroup = 0;   // 0 "A", 1 "B"

    bool operator==(const NodeRecord&) const = default;
};

// Nodes are numbered 1..MaxNode (at most 255); index 0 is never used.
inline constexpr int kNodeTableSize = 256;
using NodeTable = std::array<NodeRecord, kNodeTableSize>;

inline constexpr std::uint8_t kKioskBit = 0x01;
inline constexpr int kGameNumberMax = 32767;
inline constexpr int kGroupCount = 2;

// Money as an exact decimal value in ten-thousandths of a dollar, so that
// "$0.15" is 0.15 exactly and compares equal to the table's 0.15.
using Money = std::int64_t;
inline constexpr Money kMoneyScale = 10000;
constexpr Money Cents(std::int64_t cents) {
    return cents * (kMoneyScale / 100);
}

struct MoneyEntry {
    Money amount;
    const char* listText; // the window's list
    const char* fileText; // NodeInfo.txt
};

inline constexpr std::array<MoneyEntry, 7> kDenomTable{{
    {Cents(1), "1 Cent", "$0.01"},
    {Cents(5), "5 Cents", "$0.05"},
    {Cents(10), "10 Cents", "$0.10"},
    {Cents(25), "25 Cents", "$0.25"},
    {Cents(100), "1 Dollar", "$1.00"},
    {Cents(400), "4 Dollars", "$4.00"},
    {Cents(500), "5 Dollars", "$5.00"},
}};

inline constexpr std::array<MoneyEntry, 16> kKeyDownTable{{
    {Cents(1), "1 Cent", "$0.01"},
    {Cents(5), "5 Cents", "$0.05"},
    {Cents(10), "10 Cents", "$0.10"},
    {Cents(15), "15 Cents", "$0.15"},
    {Cents(20), "20 Cents", "$0.20"},
    {Cents(25), "25 Cents", "$0.25"},
    {Cents(50), "50 Cents", "$0.50"},
    {Cents(75), "75 Cents", "$0.75"},
    {Cents(100), "1 Dollar", "$1.00"},
    {Cents(300), "3 Dollars", "$3.00"},
    {Cents(400), "4 Dollars", "$4.00"},
    {Cents(500), "5 Dollars", "$5.00"},
    {Cents(1000), "10 Dollars", "$10.00"},
    {Cents(1500), "15 Dollars", "$15.00"},
    {Cents(2000), "20 Dollars", "$20.00"},
    {Cents(2500), "25 Dollars", "$25.00"},
}};

// The value of a number text: blanks around it, an optional "$", an optional
// sign, digits with at most one "." ("12", "$0.25", "-3", "5."). Digits past
// the fourth decimal place are rounded, halves to even. Nothing for any
// other text, and for more than 14 whole digits.
std::optional<Money> ParseMoney(std::string_view text);

// ParseMoney's value, or 0 when the text is no number.
Money GetNumeric(std::string_view V);

// The whole number nearest to `value`, halves to the even neighbour.
std::int64_t RoundToWhole(Money value);

// Index of the first entry of the key-down table (fKeydown) or of the
// denomination table equal to GetNumeric(DenomIn); 0 when none is equal.
std::int16_t GetDenomIndex(std::string_view DenomIn, bool fKeydown);
// The same, but nothing when no entry is equal.
std::optional<int> FindDenomIndex(std::string_view DenomIn, bool fKeydown);

// "1234-007": the card prefix with at least four digits, the node with at
// least three.
std::string NodeSectionName(std::int16_t cardPrefix, int node);

// A game number as typed: digits only (blanks around them allowed), 0 to
// 32767. Nothing for anything else.
std::optional<std::int16_t> ParseGameNumber(std::string_view text);

// The game number a box gives its node: the node's own `stored` number while
// the box still shows `shown`, the text the window put there (however the
// text came back to it: typed, pasted or set by assistive technology); else
// what the box shows, when that is a game number.
std::optional<std::int16_t> GameNumberEntry(std::string_view boxText, std::string_view shown,
                                            std::int16_t stored);

// A stored value the host cannot take: an index outside its table, a game
// group other than A or B, a negative game number. Such a node is never
// sent, written to a backup or exported.
struct FieldProblem {
    int node;
    std::string field; // "Denom", "KeyDown", ...
    long value;
    long last; // highest value the field may hold (the lowest is 0)
};
std::vector<FieldProblem> NodeProblems(const NodeRecord& record, int node);
// Problems of nodes 1..maxNode, node by node.
std::vector<FieldProblem> TableProblems(const NodeTable& table, int maxNode);
// "node 7: Denom 9 (0 to 6)" for each problem, at most `limit` lines, then
// how many more there are.
std::string DescribeProblems(const std::vector<FieldProblem>& problems, std::size_t limit);
// The fields of one node's problems on one line: "Denom 9 (0 to 6), KeyDown
// 20 (0 to 15)".
std::string ProblemFields(const std::vector<FieldProblem>& problems);

// Game numbers 1..maxNode in node order, every node in group A.
void AutoSetGameNumbers(NodeTable& table, int maxNode);
// Node `from`'s note-in value, denomination, key-down and options for every
// node 1..maxNode; game numbers and groups stay.
void SetAllToNode(NodeTable& table, int from, int maxNode);

// Byte that carries two table indexes: the high one times 16 plus the low.
constexpr std::uint8_t Nibbles(std::uint8_t high, std::uint8_t low) {
    return static_cast<std::uint8_t>((high & 0x0F) << 4 | (low & 0x0F));
}

// The node message: DeviceID 12, Cmnd 4, a 9-byte payload.
inline constexpr std::int32_t kNodeMessageDeviceId = 12;
inline constexpr std::int32_t kNodeMessageCmnd = 4;
inline constexpr int kNodePayloadSize = 9;
inline constexpr std::int16_t kNodeMessageLength = kNodePayloadSize + 9;
inline constexpr std::uint8_t kNodeRecordType = 8;

// Payload that programs node `addr` with `record` (whose fields must be in
// range, see NodeProblems).
std::array<std::uint8_t, kNodePayloadSize> NodePayload(int addr, const NodeRecord& record);

} // namespace gamesetup
