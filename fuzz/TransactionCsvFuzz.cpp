// Fuzz target of the transaction entry decoder and the CSV listing: any
// block bytes and any reasons for blocks not read. Each entry decodes to the
// fields at their offsets (the unused bits dropped) and encodes back to its
// bytes; the CSV, read back by a plain CSV reader (quotes around a field,
// doubled quotes inside), gives one row of eight fields per entry and per
// missing block, each field as it was meant, whatever the reasons hold.
//
// Input: per block, a byte (bit 0: read) and then the block's 128 bytes, or
// the reason (a length byte, then the bytes). Blocks past the input are not
// read.

#include "common/TransactionEntry.h"
#include "fuzz/FuzzInput.h"
#include "transactions/TransactionDump.h"
#include "transactions/TransactionTypes.h"

#include <array>
#include <optional>
#include <vector>

namespace {

using Row = std::vector<std::string>;
using records::kTransactionEntrySize;

// RFC 4180 with CR LF row ends; nothing for a text that is no such CSV.
std::optional<std::vector<Row>> ReadCsv(std::string_view text) {
    std::vector<Row> rows;
    Row row;
    std::string field;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '"') {
            for (++i;; ++i) {
                if (i >= text.size()) {
                    return std::nullopt;
                }
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                }
                field += text[i];
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                if (text[i] == '"') {
                    return std::nullopt;
                }
                field += text[i++];
            }
        }
        row.push_back(std::move(field));
        field.clear();
        if (text.substr(i, 2) == "\r\n") {
            rows.push_back(std::move(row));
            row.clear();
            i += 2;
        } else if (i < text.size() && text[i] == ',') {
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return row.empty() ? std::optional(rows) : std::nullopt;
}

std::uint32_t Le(const std::uint8_t* bytes, int width) {
    std::uint32_t value = 0;
    for (int k = 0; k < width; ++k) {
        value |= static_cast<std::uint32_t>(bytes[k]) << (8 * k);
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kBlocks = transactions::TransactionDump::kBlocks;
    fuzz::Input in(data, size);
    transactions::TransactionDump dump;
    std::array<std::array<std::uint8_t, records::kTransactionBlockSize>, kBlocks> blocks{};
    std::array<std::string, kBlocks> reasons;
    for (std::size_t block = 0; block < kBlocks; ++block) {
        if ((in.Byte() & 1) != 0) {
            const std::string_view given = in.Bytes(records::kTransactionBlockSize);
            std::copy(given.begin(), given.end(), blocks[block].begin());
            dump.SetBlock(static_cast<int>(block), blocks[block]);
        } else {
            reasons[block] = in.Text();
            dump.SetBlockFailed(static_cast<int>(block), reasons[block]);
        }
    }

    const auto rows = ReadCsv(dump.CsvText());
    FUZZ_CHECK(rows.has_value());
    std::size_t at = 1;
    for (int block = 0; block < kBlocks; ++block) {
        FUZZ_CHECK(at < rows->size());
        if (!dump.BlockRead(block)) {
            const Row& row = (*rows)[at++];
            FUZZ_CHECK(row == Row({transactions::BlockEntryRange(block), "", "",
                                   transactions::BlockFailedLine(
                                       block, reasons[static_cast<std::size_t>(block)]),
                                   "", "", "", ""}));
            continue;
        }
        for (int i = 0; i < records::kTransactionEntriesPerBlock; ++i) {
            const int k = block * records::kTransactionEntriesPerBlock + i;
            const std::uint8_t* b =
                blocks[static_cast<std::size_t>(block)].data() + i * kTransactionEntrySize;
            const records::TransactionEntry entry = *dump.Entry(k);
            FUZZ_CHECK(entry.type == b[0] && entry.date == (Le(b + 1, 4) & 0x7FFFFFFFu) &&
                       entry.seconds == (b[5] & 0x3F) && entry.game == Le(b + 6, 2) &&
                       entry.acct == Le(b + 8, 2) && entry.amount == (Le(b + 10, 4) & 0x7FFFFFFFu));
            std::array<std::uint8_t, kTransactionEntrySize> stored{};
            std::copy_n(b, 14, stored.begin());
            stored[4] &= 0x7F;
            stored[5] &= 0x3F;
            stored[13] &= 0x7F;
            FUZZ_CHECK(records::EncodeTransactionEntry(entry) == stored);

            const Row& row = (*rows)[at++];
            const std::string mnemonic(transactions::Mnemonic(entry.type));
            FUZZ_CHECK(row == Row({std::to_string(k), std::to_string(entry.type),
                                   mnemonic.substr(0, mnemonic.find_last_not_of(' ') + 1),
                                   std::string(transactions::Description(entry.type)),
                                   transactions::IsoDateTime(entry), std::to_string(entry.game),
                                   std::to_string(entry.acct), std::to_string(entry.amount)}));
        }
    }
    FUZZ_CHECK(at == rows->size() && (*rows)[0].size() == 8);
    return 0;
}
