#include "game_setup/NodeRecord.h"

#include "game_setup/GameSetupTexts.h"

#include <cstdio>

namespace gamesetup {

namespace {

constexpr int kMaxWholeDigits = 14;
constexpr int kScaleDigits = 4;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A sign right in front of or behind the "$".
bool TakeSign(std::string_view& text, bool& negative) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
        return true;
    }
    return false;
}

} // namespace

std::optional<Money> ParseMoney(std::string_view text) {
    text = Trimmed(text);
    bool negative = false;
    const bool signFirst = TakeSign(text, negative);
    if (!text.empty() && text.front() == '$') {
        text.remove_prefix(1);
    }
    if (!signFirst) {
        TakeSign(text, negative);
    }
    Money whole = 0;
    int wholeDigits = 0;
    std::size_t i = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++wholeDigits) {
        if (wholeDigits == kMaxWholeDigits) {
            return std::nullopt;
        }
        whole = whole * 10 + (text[i] - '0');
    }
    Money fraction = 0; // in ten-thousandths
    int fractionDigits = 0;
    bool roundUp = false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        bool pastHalf = false; // a non-zero digit behind the first dropped one
        int firstDropped = -1;
        for (; i < text.size() && IsDigit(text[i]); ++i, ++fractionDigits) {
            const int digit = text[i] - '0';
            if (fractionDigits < kScaleDigits) {
                fraction = fraction * 10 + digit;
            } else if (firstDropped < 0) {
                firstDropped = digit;
            } else if (digit != 0) {
                pastHalf = true;
            }
        }
        for (int k = fractionDigits; k < kScaleDigits; ++k) {
            fraction *= 10;
        }
        if (firstDropped > 5 || (firstDropped == 5 && pastHalf)) {
            roundUp = true;
        } else if (firstDropped == 5) {
            roundUp = fraction % 2 != 0; // exactly half: to the even neighbour
        }
    }
    if (i != text.size() || wholeDigits + fractionDigits == 0) {
        return std::nullopt;
    }
    Money value = whole * kMoneyScale + fraction + (roundUp ? 1 : 0);
    return negative ? -value : value;
}

Money GetNumeric(std::string_view V) {
    return ParseMoney(V).value_or(0);
}

std::int64_t RoundToWhole(Money value) {
    const bool negative = value < 0;
    const Money magnitude = negative ? -value : value;
    std::int64_t whole = magnitude / kMoneyScale;
    const Money rest = magnitude % kMoneyScale;
    if (rest > kMoneyScale / 2 || (rest == kMoneyScale / 2 && whole % 2 != 0)) {
        ++whole;
    }
    return negative ? -whole : whole;
}

std::optional<int> FindDenomIndex(std::string_view DenomIn, bool fKeydown) {
    const Money amount = GetNumeric(DenomIn);
    const auto find = [amount](const auto& table) -> std::optional<int> {
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (table[i].amount == amount) {
                return static_cast<int>(i);
            }
        }
        return std::nullopt;
    };
    return fKeydown ? find(kKeyDownTable) : find(kDenomTable);
}

std::int16_t GetDenomIndex(std::string_view DenomIn, bool fKeydown) {
    return static_cast<std::int16_t>(FindDenomIndex(DenomIn, fKeydown).value_or(0));
}

std::string NodeSectionName(std::int16_t cardPrefix, int node) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%03d", static_cast<int>(cardPrefix), node);
    return text;
}

std::optional<std::int16_t> ParseGameNumber(std::string_view text) {
    text = Trimmed(text);
    if (text.empty() || text.size() > 5) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value > kGameNumberMax) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

std::optional<std::int16_t> GameNumberEntry(std::string_view boxText, std::string_view shown,
                                            std::int16_t stored) {
    if (boxText == shown) {
        return stored;
    }
    return ParseGameNumber(boxText);
}

std::vector<FieldProblem> NodeProblems(const NodeRecord& record, int node) {
    std::vector<FieldProblem> problems;
    const auto check = [&](const char* field, long value, long last) {
        if (value < 0 || value > last) {
            problems.push_back({node, field, value, last});
        }
    };
    check(texts::kFieldGameNumber, record.GameNumber, kGameNumberMax);
    check(texts::kFieldGameGroup, record.GameGroup, kGroupCount - 1);
    check(texts::kFieldNoteInValue, record.NoteInValue, static_cast<long>(kDenomTable.size()) - 1);
    check(texts::kFieldDenom, record.Denom, static_cast<long>(kDenomTable.size()) - 1);
    check(texts::kFieldKeyDown, record.KeyDown, static_cast<long>(kKeyDownTable.size()) - 1);
    check(texts::kFieldCoinInValue, record.CoinInValue, 15);
    return problems;
}

std::vector<FieldProblem> TableProblems(const NodeTable& table, int maxNode) {
    std::vector<FieldProblem> problems;
    for (int node = 1; node <= maxNode && node < kNodeTableSize; ++node) {
        for (FieldProblem& p : NodeProblems(table[static_cast<std::size_t>(node)], node)) {
            problems.push_back(std::move(p));
        }
    }
    return problems;
}

std::string DescribeProblems(const std::vector<FieldProblem>& problems, std::size_t limit) {
    std::string text;
    for (std::size_t i = 0; i < problems.size() && i < limit; ++i) {
        const FieldProblem& p = problems[i];
        text += texts::ProblemLine(p.node, p.field, p.value, p.last);
        text += '\n';
    }
    if (problems.size() > limit) {
        text += texts::AndMore(problems.size() - limit);
        text += '\n';
    }
    return text;
}

std::string ProblemFields(const std::vector<FieldProblem>& problems) {
    std::string fields;
    for (const FieldProblem& p : problems) {
        fields += (fields.empty() ? "" : ", ") + p.field + " " + std::to_string(p.value) +
                  " (0 to " + std::to_string(p.last) + ")";
    }
    return fields;
}

void AutoSetGameNumbers(NodeTable& table, int maxNode) {
    for (int node = 1; node <= maxNode && node < kNodeTableSize; ++node) {
        table[static_cast<std::size_t>(node)].GameNumber = static_cast<std::int16_t>(node);
        table[static_cast<std::size_t>(node)].GameGroup = 0;
    }
}

void SetAllToNode(NodeTable& table, int from, int maxNode) {
    if (from < 1 || from >= kNodeTableSize) {
        return;
    }
    const NodeRecord source = table[static_cast<std::size_t>(from)];
    for (int node = 1; node <= maxNode && node < kNodeTableSize; ++node) {
        NodeRecord& to = table[static_cast<std::size_t>(node)];
        to.NoteInValue = source.NoteInValue;
        to.Denom = source.Denom;
        to.KeyDown = source.KeyDown;
        to.Config = source.Config;
    }
}

std::array<std::uint8_t, kNodePayloadSize> NodePayload(int addr, const NodeRecord& record) {
    const auto game = static_cast<std::uint16_t>(record.GameNumber);
    return {kNodeRecordType,
            static_cast<std::uint8_t>(kNodePayloadSize - 2),
            static_cast<std::uint8_t>(addr),
            Nibbles(record.KeyDown, record.Denom),
            Nibbles(record.NoteInValue, record.CoinInValue),
            record.Config,
            static_cast<std::uint8_t>(game & 0xFF),
            static_cast<std::uint8_t>(game >> 8),
            record.GameGroup};
}

} // namespace gamesetup
