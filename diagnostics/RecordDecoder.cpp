#include "diagnostics/RecordDecoder.h"

#include "common/codeCommon.h"
#include "common/codeCommonShared.h"

#include <cstdio>

namespace records {

namespace {

// Every row must start where the previous one ended (a shared byte counts
// once, with its high half) and the rows must cover exactly the decoded
// bytes; a slip in a table would otherwise shift every field after it.
constexpr bool LayoutIsContiguous(std::span<const FieldLayout> layout, int decodedSize) {
    int at = 0;
    for (const FieldLayout& row : layout) {
        if (row.offset != at || row.count < 1 || row.count > kMaxRowValues) {
            return false;
        }
        const bool shared = FieldWidth(row.kind) == 0;
        if (shared && row.count != 1) {
            return false;
        }
        at += FieldWidth(row.kind) * row.count;
    }
    return at == decodedSize;
}

static_assert(LayoutIsContiguous(kPlayerLayout, kPlayerDecodedSize));
static_assert(LayoutIsContiguous(kRemoteLayout, kRemoteDecodedSize));
static_assert(LayoutIsContiguous(kSiteLayout, kSiteDecodedSize));

std::int32_t ReadValue(FieldKind kind, std::span<const std::uint8_t> reply, int& cursor) {
    // The low half of a shared byte is looked at without advancing; the high
    // half is then read with the byte reader, which moves on.
    int peek = cursor;
    switch (kind) {
    case FieldKind::Byte:
        return GetByteField(reply, cursor);
    case FieldKind::Word:
        return GetIntegerField(reply, cursor);
    case FieldKind::Long:
        return GetLongField(reply, cursor);
    case FieldKind::LowNibble:
        return GetByteField(reply, peek) % 16;
    case FieldKind::HighNibble:
        return GetByteField(reply, cursor) >> 4;
    case FieldKind::Low5Bits:
        return GetByteField(reply, peek) % 32;
    case FieldKind::High3Bits:
        return GetByteField(reply, cursor) >> 5;
    }
    return 0;
}

} // namespace

RecordPlace PlayerPlace(int index) {
    return {kPlayerBase + kPlayerSlotSize * index, kPlayerSlotSize, kPlayerDecodedSize};
}

RecordPlace RemotePlace(int index) {
    return {kRemoteBase + kRemoteRecordSize * index, kRemoteRecordSize, kRemoteDecodedSize};
}

RecordPlace SitePlace() {
    return {kSiteAddress, kSiteRecordSize, kSiteDecodedSize};
}

int DecodeRecord(std::span<const FieldLayout> layout, std::span<const std::uint8_t> reply,
                 std::span<RowValues> rows) {
    int cursor = kReplyDataOffset;
    const std::size_t n = std::min(layout.size(), rows.size());
    for (std::size_t r = 0; r < n; ++r) {
        rows[r] = {};
        for (int k = 0; k < layout[r].count && k < kMaxRowValues; ++k) {
            rows[r][static_cast<std::size_t>(k)] = ReadValue(layout[r].kind, reply, cursor);
        }
    }
    return cursor;
}

PlayerRecord DecodePlayer(std::span<const std::uint8_t> reply) {
    PlayerRecord record{};
    DecodeRecord(kPlayerLayout, reply, record);
    return record;
}

RemoteRecord DecodeRemote(std::span<const std::uint8_t> reply) {
    RemoteRecord record{};
    DecodeRecord(kRemoteLayout, reply, record);
    return record;
}

SiteRecord DecodeSite(std::span<const std::uint8_t> reply) {
    SiteRecord record{};
    DecodeRecord(kSiteLayout, reply, record);
    return record;
}

std::string ValueText(DisplayForm form, int digits, std::int32_t value) {
    switch (form) {
    case DisplayForm::Hex:
        return HexText(static_cast<std::uint32_t>(value), digits);
    case DisplayForm::Decimal: {
        char text[16];
        std::snprintf(text, sizeof text, "%0*d", digits, value);
        return text;
    }
    case DisplayForm::Plain:
        return std::to_string(value);
    case DisplayForm::DateTime:
        return PackedDateTimeText(value, 0, false);
    case DisplayForm::Hidden:
        break;
    }
    return {};
}

std::string DisplayLine(std::string_view label, std::string_view values) {
    std::string line(label);
    if (line.size() < static_cast<std::size_t>(kLabelWidth)) {
        line.resize(kLabelWidth, ' ');
    }
    line += values;
    return line;
}

std::vector<std::string> RecordLines(std::span<const FieldLayout> layout,
                                     std::span<const RowValues> rows) {
    std::vector<std::string> lines;
    const std::size_t n = std::min(layout.size(), rows.size());
    lines.reserve(n);
    for (std::size_t r = 0; r < n; ++r) {
        const FieldLayout& row = layout[r];
        if (row.form == DisplayForm::Hidden) {
            continue;
        }
        std::string values;
        for (int k = 0; k < row.count && k < kMaxRowValues; ++k) {
            if (k > 0) {
                values += ", ";
            }
            values += ValueText(row.form, row.digits, rows[r][static_cast<std::size_t>(k)]);
        }
        lines.push_back(DisplayLine(row.label, values));
    }
    return lines;
}

bool ReplyHoldsRecord(int replyBytes, int decodedSize) {
    return replyBytes >= kReplyDataOffset + decodedSize + kReplyCrcSize;
}

} // namespace records
