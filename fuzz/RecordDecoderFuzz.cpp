// Fuzz target of the record decoders: any reply bytes, of any length, as
// each record. Every value is the one its layout row names (record byte n
// at reply byte 13 + n, bytes past the reply reading as 0, bit 31 of a
// 4-byte field cleared), the decoder ends right after the record, and each
// shown row gives one line: its label padded to the value column, then its
// values in their display form.
//
// Input: which record (0 player, 1 remote, 2 site parameters), then the reply.

#include "diagnostics/RecordDecoder.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>
#include <vector>

namespace {

using namespace records;

std::uint32_t At(std::span<const std::uint8_t> reply, std::size_t n) {
    return n < reply.size() ? reply[n] : 0;
}

std::int32_t Expected(const FieldLayout& row, int k, std::span<const std::uint8_t> reply) {
    const std::size_t n =
        static_cast<std::size_t>(kReplyDataOffset + row.offset + k * FieldWidth(row.kind));
    switch (row.kind) {
    case FieldKind::Byte:
        return static_cast<std::int32_t>(At(reply, n));
    case FieldKind::Word:
        return static_cast<std::int32_t>(At(reply, n) | At(reply, n + 1) << 8);
    case FieldKind::Long:
        return static_cast<std::int32_t>((At(reply, n) | At(reply, n + 1) << 8 |
                                          At(reply, n + 2) << 16 | At(reply, n + 3) << 24) &
                                         0x7FFFFFFFu);
    case FieldKind::LowNibble:
        return static_cast<std::int32_t>(At(reply, n) & 0x0F);
    case FieldKind::HighNibble:
        return static_cast<std::int32_t>(At(reply, n) >> 4);
    case FieldKind::Low5Bits:
        return static_cast<std::int32_t>(At(reply, n) & 0x1F);
    case FieldKind::High3Bits:
        return static_cast<std::int32_t>(At(reply, n) >> 5);
    }
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const FieldLayout> layouts[3] = {kPlayerLayout, kRemoteLayout, kSiteLayout};
    const int sizes[3] = {kPlayerDecodedSize, kRemoteDecodedSize, kSiteDecodedSize};
    const int which = data[0] % 3;
    const std::span<const FieldLayout> layout = layouts[which];
    const std::span<const std::uint8_t> reply(data + 1, size - 1);

    std::vector<RowValues> rows(layout.size());
    FUZZ_CHECK(DecodeRecord(layout, reply, rows) == kReplyDataOffset + sizes[which]);
    std::size_t shown = 0;
    for (std::size_t r = 0; r < layout.size(); ++r) {
        for (int k = 0; k < kMaxRowValues; ++k) {
            FUZZ_CHECK(rows[r][static_cast<std::size_t>(k)] ==
                       (k < layout[r].count ? Expected(layout[r], k, reply) : 0));
        }
        shown += layout[r].form == DisplayForm::Hidden ? 0 : 1;
    }
    switch (which) {
    case 0:
        FUZZ_CHECK(std::ranges::equal(DecodePlayer(reply), rows));
        break;
    case 1:
        FUZZ_CHECK(std::ranges::equal(DecodeRemote(reply), rows));
        break;
    default:
        FUZZ_CHECK(std::ranges::equal(DecodeSite(reply), rows));
        break;
    }

    const std::vector<std::string> lines = RecordLines(layout, rows);
    FUZZ_CHECK(lines.size() == shown);
    std::size_t line = 0;
    for (std::size_t r = 0; r < layout.size(); ++r) {
        const FieldLayout& row = layout[r];
        if (row.form == DisplayForm::Hidden) {
            continue;
        }
        const std::string& text = lines[line++];
        FUZZ_CHECK(text.starts_with(row.label) &&
                   text.size() > static_cast<std::size_t>(kLabelWidth));
        FUZZ_CHECK(text.find_first_not_of(' ', row.label.size()) ==
                   static_cast<std::size_t>(kLabelWidth));
        std::string values;
        for (int k = 0; k < row.count; ++k) {
            const std::string value =
                ValueText(row.form, row.digits, rows[r][static_cast<std::size_t>(k)]);
            values += (k > 0 ? ", " : "") + value;
            if (row.form == DisplayForm::Hex) {
                FUZZ_CHECK(value.size() == static_cast<std::size_t>(2 + row.digits));
                FUZZ_CHECK(std::stoul(value.substr(2), nullptr, 16) ==
                           static_cast<std::uint32_t>(rows[r][static_cast<std::size_t>(k)]));
            } else if (row.form == DisplayForm::Decimal || row.form == DisplayForm::Plain) {
                FUZZ_CHECK(std::stol(value) == rows[r][static_cast<std::size_t>(k)]);
                FUZZ_CHECK(value.size() >= static_cast<std::size_t>(row.digits));
            }
        }
        FUZZ_CHECK(text.substr(static_cast<std::size_t>(kLabelWidth)) == values);
    }
    return 0;
}
