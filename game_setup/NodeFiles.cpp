#include "game_setup/NodeFiles.h"

#include "common/RecordLayouts.h"
#include "game_setup/GameSetupTexts.h"
#include "platform/IniProfile.h"
#include "platform/SafeFile.h"

#include <cstdio>

namespace gamesetup {

namespace {

using records::kRemoteLayout;
using records::OffsetOf;

// Keys in the order they are read and written.
constexpr const char* kKeys[6] = {texts::kFieldGameNumber,  texts::kFieldGameGroup,
                                  texts::kFieldNoteInValue, texts::kFieldDenom,
                                  texts::kFieldKeyDown,     texts::kFieldConfig};

// The file text of entry `index`, or "" for an index outside the table.
template <class Table> const char* FileText(const Table& table, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < table.size()
               ? table[static_cast<std::size_t>(index)].fileText
               : "";
}

// What a stored value that does not fit its field reads as: one that
// NodeProblems refuses (Config has none: any byte is a valid Config).
// The game number's mark, kUnfitGameNumber, is in the header: the window
// tells it apart from a number the operator typed.
constexpr std::uint8_t kUnfitByte = 0xFF;
constexpr std::uint8_t kUnfitConfig = 0;

long UnfitMark(const std::string& key) {
    if (key == texts::kFieldGameNumber) {
        return kUnfitGameNumber;
    }
    return key == texts::kFieldConfig ? kUnfitConfig : kUnfitByte;
}

// True when `node`'s key was stored unfit and the field still holds what
// loading made of it: the stored text is then left as it is.
bool KeepStored(const std::vector<FieldProblem>& unfit, int node, const char* key, long value) {
    for (const FieldProblem& p : unfit) {
        if (p.node == node && p.field == key) {
            return value == UnfitMark(p.field);
        }
    }
    return false;
}

std::uint8_t ByteOrMark(long value, int node, const char* field, std::vector<FieldProblem>& unfit,
                        std::uint8_t mark) {
    if (value >= 0 && value <= 0xFF) {
        return static_cast<std::uint8_t>(value);
    }
    unfit.push_back({node, field, value, 0xFF});
    return mark;
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = line.find(separator, start);
        parts.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// A field as a spreadsheet may leave it: blanks around it, or in quotes.
std::string_view Cleaned(std::string_view field) {
    while (!field.empty() && field.front() == ' ') {
        field.remove_prefix(1);
    }
    while (!field.empty() && field.back() == ' ') {
        field.remove_suffix(1);
    }
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        field = field.substr(1, field.size() - 2);
    }
    return field;
}

// The lines of a text, whatever ends them: CR LF, LF or a lone CR (as old
// spreadsheet exports write). A last line without an end is a line too.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsHeader(const std::vector<std::string_view>& fields) {
    if (fields.size() != 7) {
        return false;
    }
    for (std::size_t i = 0; i < 7; ++i) {
        if (Cleaned(fields[i]) != texts::kTextHeader[i]) {
            return false;
        }
    }
    return true;
}

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::optional<int> HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return std::nullopt;
}

// "0x1F": "0x" and one or two hexadecimal digits.
std::optional<std::uint8_t> ParseOptions(std::string_view text) {
    if (text.size() < 3 || text.size() > 4 || text[0] != '0' ||
        (text[1] != 'x' && text[1] != 'X')) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text.substr(2)) {
        const auto digit = HexDigit(c);
        if (!digit) {
            return std::nullopt;
        }
        value = value * 16 + *digit;
    }
    return static_cast<std::uint8_t>(value);
}

// Parses one node line; the reason it cannot be taken otherwise.
std::optional<std::string> ParseNodeLine(const std::vector<std::string_view>& raw,
                                         std::int16_t cardPrefix, int maxNode, int& node,
                                         NodeRecord& record) {
    std::array<std::string, 7> f;
    for (std::size_t i = 0; i < 7; ++i) {
        f[i] = std::string(Cleaned(raw[i]));
    }
    const auto site = ParseMoney(f[0]);
    if (!site) {
        return texts::NotANumber(texts::kFieldSite, f[0]);
    }
    const auto address = ParseMoney(f[1]);
    if (!address) {
        return texts::NotANumber(texts::kFieldAddress, f[1]);
    }
    const std::int64_t siteNumber = RoundToWhole(*site);
    if (siteNumber != cardPrefix) {
        return texts::OtherSite(static_cast<long>(siteNumber), cardPrefix);
    }
    const std::int64_t nodeNumber = RoundToWhole(*address);
    if (nodeNumber < 1 || nodeNumber > maxNode) {
        return texts::NodeOutOfRange(static_cast<long>(nodeNumber), maxNode);
    }

    // Game number and group: "0012B".
    const std::string& game = f[2];
    const char letter = game.empty() ? '\0' : game.back();
    const auto gameNumber = game.size() >= 2
                                ? ParseMoney(std::string_view(game).substr(0, game.size() - 1))
                                : std::nullopt;
    const std::int64_t whole = gameNumber ? RoundToWhole(*gameNumber) : -1;
    if (!IsLetter(letter) || whole < 0 || whole > kGameNumberMax) {
        return texts::BadGame(game);
    }

    const auto noteIn = FindDenomIndex(f[3], false);
    if (!noteIn) {
        return texts::NotInTable(texts::kFieldNoteIn, f[3]);
    }
    const auto denom = FindDenomIndex(f[4], false);
    if (!denom) {
        return texts::NotInTable(texts::kFieldDenomText, f[4]);
    }
    const auto keyDown = FindDenomIndex(f[5], true);
    if (!keyDown) {
        return texts::NotInTable(texts::kFieldKeyDownText, f[5]);
    }
    const auto options = ParseOptions(f[6]);
    if (!options) {
        return texts::BadOptions(f[6]);
    }

    node = static_cast<int>(nodeNumber);
    record = NodeRecord{};
    record.GameNumber = static_cast<std::int16_t>(whole);
    // Any letter gives a group: "A", "C", ... group 0 (A), "B", "D", ... 1 (B).
    record.GameGroup = static_cast<std::uint8_t>((letter - 'A') & 1);
    record.NoteInValue = static_cast<std::uint8_t>(*noteIn);
    record.Denom = static_cast<std::uint8_t>(*denom);
    record.KeyDown = static_cast<std::uint8_t>(*keyDown);
    record.Config = *options;
    return std::nullopt;
}

void Put16(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void Put32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

std::string AsString(std::span<const std::uint8_t> bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace

// ------------------------------------------------------------ NodeInfo.ini

IniLoad LoadNodeIni(const platform::ProfileBatch& ini, std::int16_t cardPrefix, int maxNode) {
    IniLoad load;
    load.readable = ini.Readable();
    for (int node = 1; node <= maxNode && node < kNodeTableSize; ++node) {
        const std::string section = NodeSectionName(cardPrefix, node);
        NodeRecord& r = load.table[static_cast<std::size_t>(node)];
        const long game = ini.GetInt(section, kKeys[0], 0);
        if (game >= -32768 && game <= 32767) {
            r.GameNumber = static_cast<std::int16_t>(game);
        } else {
            load.unfit.push_back({node, kKeys[0], game, kGameNumberMax});
            r.GameNumber = kUnfitGameNumber;
        }
        const auto byte = [&](const char* key, std::uint8_t mark) {
            return ByteOrMark(ini.GetInt(section, key, 0), node, key, load.unfit, mark);
        };
        r.GameGroup = byte(kKeys[1], kUnfitByte);
        r.NoteInValue = byte(kKeys[2], kUnfitByte);
        r.Denom = byte(kKeys[3], kUnfitByte);
        r.KeyDown = byte(kKeys[4], kUnfitByte);
        r.Config = byte(kKeys[5], kUnfitConfig);
    }
    return load;
}

IniLoad LoadNodeIni(const std::string& path, std::int16_t cardPrefix, int maxNode) {
    const platform::ProfileBatch ini(path);
    return LoadNodeIni(ini, cardPrefix, maxNode);
}

void StoreNodeIni(platform::ProfileBatch& ini, const NodeTable& table, std::int16_t cardPrefix,
                  int maxNode, const std::vector<FieldProblem>& unfit) {
    for (int node = 1; node <= maxNode && node < kNodeTableSize; ++node) {
        const std::string section = NodeSectionName(cardPrefix, node);
        const NodeRecord& r = table[static_cast<std::size_t>(node)];
        const long values[6] = {r.GameNumber, r.GameGroup, r.NoteInValue,
                                r.Denom,      r.KeyDown,   r.Config};
        for (std::size_t k = 0; k < 6; ++k) {
            if (!KeepStored(unfit, node, kKeys[k], values[k])) {
                ini.Write(section, kKeys[k], std::to_string(values[k]));
            }
        }
    }
}

bool SaveNodeIni(const std::string& path, const NodeTable& table, std::int16_t cardPrefix,
                 int maxNode, const std::vector<FieldProblem>& unfit) {
    // A file that could not be read is never rewritten: its commit fails.
    platform::ProfileBatch ini(path);
    StoreNodeIni(ini, table, cardPrefix, maxNode, unfit);
    return ini.Commit();
}

// ------------------------------------------------------------ NodeInfo.txt

std::string NodeTextLine(std::int16_t cardPrefix, int node, const NodeRecord& r) {
    char head[64];
    std::snprintf(head, sizeof head, "%04d\t%03d\t%04d%c\t", static_cast<int>(cardPrefix), node,
                  static_cast<int>(r.GameNumber),
                  r.GameGroup < 26 ? static_cast<char>('A' + r.GameGroup) : '?');
    char options[8];
    std::snprintf(options, sizeof options, "0x%02X", static_cast<unsigned>(r.Config));
    return std::string(head) + FileText(kDenomTable, r.NoteInValue) + '\t' +
           FileText(kDenomTable, r.Denom) + '\t' + FileText(kKeyDownTable, r.KeyDown) + '\t' +
           options;
}

std::string NodeTextFile(const NodeTable& table, std::int16_t cardPrefix, int maxNode) {
    std::string text;
    for (std::size_t i = 0; i < 7; ++i) {
        text += texts::kTextHeader[i];
        text += i < 6 ? "\t" : "\r\n";
    }
    for (int node = 1; node <= maxNode && node < kNodeTableSize; ++node) {
        text += NodeTextLine(cardPrefix, node, table[static_cast<std::size_t>(node)]);
        text += "\r\n";
    }
    return text;
}

TextImport ReadNodeText(std::string_view contents, std::int16_t cardPrefix, int maxNode,
                        NodeTable& table) {
    TextImport import;
    if (maxNode <= 0) {
        return import;
    }
    int lineNumber = 0;
    std::vector<bool> read(kNodeTableSize, false);
    for (const std::string_view line : Lines(contents)) {
        ++lineNumber;
        if (IsBlank(line)) {
            continue;
        }
        const std::vector<std::string_view> fields = Split(line, '\t');
        if (IsHeader(fields)) {
            continue;
        }
        if (fields.size() != 7) {
            import.skipped.push_back({lineNumber, texts::FieldCount(fields.size())});
            continue;
        }
        int node = 0;
        NodeRecord record;
        if (auto reason = ParseNodeLine(fields, cardPrefix, maxNode, node, record)) {
            import.skipped.push_back({lineNumber, std::move(*reason)});
            continue;
        }
        table[static_cast<std::size_t>(node)] = record;
        // A node given on several lines takes the last of them; it is one node.
        if (!read[static_cast<std::size_t>(node)]) {
            read[static_cast<std::size_t>(node)] = true;
            ++import.nodesRead;
        }
    }
    return import;
}

// ------------------------------------------------------------ backups

std::array<std::uint8_t, 96> NodeBackupRecord(const NodeRecord& r) {
    static_assert(records::kRemoteRecordSize == 96);
    std::array<std::uint8_t, 96> bytes{};
    bytes[OffsetOf(kRemoteLayout, "Tag 1")] = records::kRemoteTag1;
    bytes[OffsetOf(kRemoteLayout, "Denomination")] = Nibbles(r.KeyDown, r.Denom);
    bytes[OffsetOf(kRemoteLayout, "Coin-In Value")] = Nibbles(r.NoteInValue, r.CoinInValue);
    bytes[OffsetOf(kRemoteLayout, "Configuration Flags")] = r.Config;
    Put16(bytes, OffsetOf(kRemoteLayout, "Game Number"), static_cast<std::uint16_t>(r.GameNumber));
    bytes[OffsetOf(kRemoteLayout, "Game Group")] = r.GameGroup;
    bytes[OffsetOf(kRemoteLayout, "Tag 2")] = records::kRemoteTag2;
    return bytes;
}

std::string NodeBackupImage(const NodeTable& table, int maxNode) {
    std::string image;
    for (int node = 1; node <= maxNode && node < kNodeTableSize; ++node) {
        image += AsString(NodeBackupRecord(table[static_cast<std::size_t>(node)]));
    }
    return image;
}

std::array<std::uint8_t, kSiteBackupSize> SiteBackupBytes(const SiteParamRecord& s) {
    std::array<std::uint8_t, kSiteBackupSize> b{};
    b[0] = kSiteTag1;
    b[1] = s.MaxNode;
    b[2] = s.GlobalOptions;
    b[3] = s.PrinterType;
    Put16(b, 4, static_cast<std::uint16_t>(s.CardPrefix));
    b[6] = s.AlarmHour;
    b[7] = s.AlarmMinute;
    b[8] = s.CashDropWeekday;
    b[9] = s.Percentage;
    Put16(b, 10, static_cast<std::uint16_t>(s.Odds));
    Put16(b, 12, static_cast<std::uint16_t>(s.Refill));
    Put32(b, 68, s.TransactionStoreMask);
    Put32(b, 72, s.TransactionPrintMask);
    Put16(b, 84, static_cast<std::uint16_t>(s.OperPrefix));
    b[86] = s.KioskNoteInValue;
    b[87] = kSiteTag2;
    return b;
}

std::string SiteBackupImage(const SiteParamRecord& site) {
    return AsString(SiteBackupBytes(site));
}

// ------------------------------------------------------------ file access

TextRead ReadWholeFile(const std::string& path, std::string& contents) {
    switch (platform::ReadWholeFile(path, contents)) {
    case platform::FileRead::Read:
        return TextRead::Ok;
    case platform::FileRead::Missing:
        return TextRead::Missing;
    case platform::FileRead::Unreadable:
        break;
    }
    return TextRead::Unreadable;
}

std::vector<std::string> WriteNodeFiles(const std::string& folder, const NodeTable& table,
                                        const SiteParamRecord& site) {
    const int maxNode = site.MaxNode;
    const std::pair<std::string, std::string> files[3] = {
        {folder + "/" + texts::kNodeTextName, NodeTextFile(table, site.CardPrefix, maxNode)},
        {folder + "/" + texts::kNodeBackupName, NodeBackupImage(table, maxNode)},
        {folder + "/" + texts::kSiteBackupName, SiteBackupImage(site)},
    };
    std::vector<std::string> failed;
    for (const auto& [path, contents] : files) {
        if (!platform::WriteFileAtomically(path, contents)) {
            failed.push_back(path);
        }
    }
    return failed;
}

std::string ImportReport(const TextImport& import, std::size_t limit) {
    std::string text = texts::ImportSummary(import.nodesRead, import.skipped.size());
    if (import.skipped.empty()) {
        return text;
    }
    text += "\n\n";
    for (std::size_t i = 0; i < import.skipped.size() && i < limit; ++i) {
        text += texts::SkippedLine(import.skipped[i].line, import.skipped[i].reason) + '\n';
    }
    if (import.skipped.size() > limit) {
        text += texts::AndMore(import.skipped.size() - limit) + '\n';
    }
    return text;
}

} // namespace gamesetup
