// The transaction log's entry lines and the dump's listing, text and CSV.
#include "transactions/TransactionDump.h"
#include "transactions/TransactionTexts.h"

#include <gtest/gtest.h>

#include <array>

using records::TransactionEntry;
using transactions::EntryLine;
using transactions::TransactionDump;

namespace {

using EntryBytes = std::array<std::uint8_t, records::kTransactionEntrySize>;
using BlockBytes = std::array<std::uint8_t, records::kTransactionBlockSize>;

// 3 January 2024 14:05, packed: month 1, day 3, year 24, hour 14, minute 5.
constexpr std::uint32_t kJan3 = 1u | 3u << 4 | 24u << 9 | 14u << 16 | 5u << 21;

std::string LineOf(const EntryBytes& bytes) {
    return EntryLine(records::DecodeTransactionEntry(bytes));
}

// Block `block` of a log whose entry k has type k % 26 and account k.
BlockBytes SampleBlock(int block) {
    BlockBytes bytes{};
    for (int i = 0; i < records::kTransactionEntriesPerBlock; ++i) {
        const int k = block * records::kTransactionEntriesPerBlock + i;
        const EntryBytes one = records::EncodeTransactionEntry(
            {static_cast<std::uint8_t>(k % 26), kJan3, static_cast<std::uint8_t>(k % 60),
             static_cast<std::uint16_t>(1 + k % 16), static_cast<std::uint16_t>(k),
             static_cast<std::uint32_t>(100 * k)});
        std::copy(one.begin(), one.end(), bytes.begin() + i * records::kTransactionEntrySize);
    }
    return bytes;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text does not end with CR LF";
    return lines;
}

} // namespace

TEST(TransactionLine, WorkedExamplesAndTheHeaderAboveThem) {
    EXPECT_EQ(transactions::HeaderLine(), "Type         Date/Time           Game Acct Amount");
    // An amount of ten digits keeps all of them; bits 31 of date and amount
    // and bits 6-7 of the seconds are dropped.
    const std::pair<TransactionEntry, const char*> cases[] = {
        {{1, kJan3, 9, 7, 123, 2500}, "0x01 Create  01/03/2024 14:05:09 0007 0123 000002500"},
        {{25, kJan3, 9, 7, 123, 1000000000},
         "0x19 DpnPool 01/03/2024 14:05:09 0007 0123 1000000000"},
        {{26, 0, 0, 0, 0, 0}, "0x1A INVALID 00/00/2000 00:00:00 0000 0000 000000000"},
    };
    for (const auto& [entry, line] : cases) {
        EXPECT_EQ(LineOf(records::EncodeTransactionEntry(entry)), line);
    }
    EntryBytes erased;
    erased.fill(0xFF);
    EXPECT_EQ(LineOf(erased), "0xFF INVALID 15/31/20127 31:63:63 65535 65535 2147483647");
}

TEST(TransactionDumpListing, HeaderEntriesAndFailedBlocksAsTextAndCsv) {
    TransactionDump dump;
    for (int block = 0; block < TransactionDump::kBlocks; ++block) {
        dump.SetBlock(block, SampleBlock(block));
    }
    std::vector<std::string> lines = dump.Lines();
    ASSERT_EQ(lines.size(), 257u);
    EXPECT_EQ(lines[0], transactions::HeaderLine());
    EXPECT_EQ(lines[1], "0x00 None    01/03/2024 14:05:00 0001 0000 000000000");
    EXPECT_EQ(lines[256], "0x15 TktErr  01/03/2024 14:05:15 0016 0255 000025500");
    EXPECT_EQ(dump.BlocksRead(), 32);
    EXPECT_EQ(SplitCrLf(dump.ListingText()), lines);

    dump.SetBlockFailed(1, "Timeout");
    lines = dump.Lines();
    ASSERT_EQ(lines.size(), 1u + 8u + 1u + 30u * 8u);
    EXPECT_EQ(lines[8].substr(43), "000000700"); // entry 7, the last of block 0
    EXPECT_EQ(lines[9], "Entries 8-15 could not be read: Timeout");
    EXPECT_EQ(lines[10].substr(38), "0016 000001600"); // entry 16 follows
    EXPECT_FALSE(dump.Entry(8).has_value());
    EXPECT_FALSE(dump.Entry(15).has_value());
    EXPECT_TRUE(dump.Entry(16).has_value());
    EXPECT_FALSE(dump.Entry(256).has_value());
    EXPECT_FALSE(dump.Entry(-1).has_value());
    EXPECT_EQ(dump.BlocksRead(), 31);

    // A block read again after failing lists its entries.
    dump.SetBlock(1, SampleBlock(1));
    EXPECT_EQ(dump.Lines().size(), 257u);

    const std::vector<std::string> none = TransactionDump().Lines();
    ASSERT_EQ(none.size(), 33u);
    EXPECT_EQ(none[32], "Entries 248-255 could not be read: not read");

    // The CSV has one row per entry and per missing block. A quote alone, or
    // a separator alone, has the field quoted.
    dump.SetBlockFailed(30, "Status = \"Device Not Opened\"");
    dump.SetBlockFailed(31, "Timeout, really");
    const std::vector<std::string> rows = SplitCrLf(dump.CsvText());
    ASSERT_EQ(rows.size(), 1u + 240u + 2u);
    EXPECT_EQ(rows[0], "Entry,Type,Mnemonic,Description,Date/Time,Game,Account,Amount");
    EXPECT_EQ(rows[1], "0,0,None,,2024-01-03T14:05:00,1,0,0");
    EXPECT_EQ(rows[10],
              "9,9,Clear,Game Cash-outs (Clear button pressed),2024-01-03T14:05:09,10,9,900");
    EXPECT_EQ(rows[241], "240-247,,,\"Entries 240-247 could not be read: Status = "
                         "\"\"Device Not Opened\"\"\",,,,");
    EXPECT_EQ(rows[242], "248-255,,,\"Entries 248-255 could not be read: Timeout, really\",,,,");

    TransactionDump erased;
    BlockBytes block;
    block.fill(0xFF);
    erased.SetBlock(0, block);
    EXPECT_EQ(SplitCrLf(erased.CsvText())[1],
              "0,255,INVALID,,2127-15-31T31:63:63,65535,65535,2147483647");
}

TEST(TransactionReplies, OnlyAWholeGoodReplyGivesABlock) {
    struct Row {
        ExchangeOutcome outcome;
        int replyBytes;
        const char* linkText;
        const char* block;   // what the listing says instead of the block
        const char* program; // what "Program" says
    };
    const Row rows[] = {
        {ExchangeOutcome::Ok, 143, "  OK", "", "Masks sent to the host."},
        {ExchangeOutcome::Ok, 142, "  OK", "reply of 142 bytes, 143 needed",
         "Masks sent to the host."},
        {ExchangeOutcome::CrcError, 143, "  CRC?", "CRC error (the reply was damaged)",
         "The host's reply to the masks was damaged (CRC error); they may not be stored."},
        {ExchangeOutcome::Timeout, 0, "  Timeout ", "Timeout",
         "The masks did not reach the host: Timeout"},
        {ExchangeOutcome::Status, 0, "  Status = I/O Error", "Status = I/O Error",
         "The masks did not reach the host: Status = I/O Error"},
        {ExchangeOutcome::Busy, 0, "   ", "no reply", "The masks did not reach the host: no reply"},
        {ExchangeOutcome::None, 0, "", "no reply", "The masks did not reach the host: no reply"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.linkText);
        EXPECT_EQ(transactions::BlockProblem(row.outcome, row.replyBytes, row.linkText), row.block);
        EXPECT_EQ(transactions::ProgramResult(row.outcome, row.linkText), row.program);
    }
}
