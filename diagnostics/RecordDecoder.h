#pragma once
// Decoding the host's records from a memory-read reply and turning them into
// the labelled lines of the diagnostic window. Pure: no widgets, no link.
//
// A record is decoded with its layout table (RecordLayouts.h): one row of
// values per layout row, so the decoded form follows the table line for line.

#include "common/RecordLayouts.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace records {

// Reply index of record byte 0 in the reply to a memory read.
inline constexpr int kReplyDataOffset = 13;
// The reply's CRC follows the data.
inline constexpr int kReplyCrcSize = 2;
// Labels are padded to this width so the values line up in one column.
inline constexpr int kLabelWidth = 33;
// The widest row of any layout (the two "Count" rows of the remote record).
inline constexpr int kMaxRowValues = 4;

// The decoded values of one layout row; `count` of the layout says how many
// are in use. Every field fits: bytes, nibbles, unsigned 16-bit words and
// 4-byte fields with bit 31 cleared.
using RowValues = std::array<std::int32_t, kMaxRowValues>;

using PlayerRecord = std::array<RowValues, kPlayerLayout.size()>;
using RemoteRecord = std::array<RowValues, kRemoteLayout.size()>;
using SiteRecord = std::array<RowValues, kSiteLayout.size()>;

// Which record the window reads; the values are the indexes of the type
// buttons.
enum class RecordType : int { Player = 0, Remote = 1, SiteParam = 2 };

// Non-volatile address, read length and decoded length of a record.
struct RecordPlace {
    std::int32_t address;
    int readLength;
    int decodedSize;
};
RecordPlace PlayerPlace(int index);
RecordPlace RemotePlace(int index);
RecordPlace SitePlace();

// Decodes `layout` from `reply` into `rows` (one per layout row), reading
// record byte n at reply index 13 + n. Returns the reply index after the last
// field. Bytes beyond the end of `reply` read as 0; callers check first that
// the reply holds the record (ReplyHoldsRecord).
int DecodeRecord(std::span<const FieldLayout> layout, std::span<const std::uint8_t> reply,
                 std::span<RowValues> rows);

PlayerRecord DecodePlayer(std::span<const std::uint8_t> reply);
RemoteRecord DecodeRemote(std::span<const std::uint8_t> reply);
SiteRecord DecodeSite(std::span<const std::uint8_t> reply);

// The text of one value in `form`.
std::string ValueText(DisplayForm form, int digits, std::int32_t value);

// `label` padded with spaces to 33 characters, then `values`.
std::string DisplayLine(std::string_view label, std::string_view values);

// The display lines of a decoded record, in layout order; hidden rows give
// no line. Array values are joined by ", ".
std::vector<std::string> RecordLines(std::span<const FieldLayout> layout,
                                     std::span<const RowValues> rows);

// True when `replyBytes` received bytes hold the 13 bytes in front of the
// data, the `decodedSize` decoded bytes and the 2-byte CRC.
bool ReplyHoldsRecord(int replyBytes, int decodedSize);

} // namespace records
