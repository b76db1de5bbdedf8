#pragma once
// The listing of the host's transaction log: one line per entry under a
// fixed header, and the whole dump as it was read block by block. A block
// that could not be read is never listed as entries: one line says which
// entries are missing and why. Pure: no widgets; the link is only judged.

#include "common/TransactionEntry.h"
#include "link/clsUSBInterface.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace transactions {

// "Type         Date/Time           Game Acct Amount"
std::string HeaderLine();

// Type, mnemonic, MM/DD/20YY hh:mm:ss, game and account (at least 4 digits)
// and amount (at least 9 digits), one blank apart, for example
// "0x01 Create  01/03/2024 14:05:09 0007 0123 000002500".
std::string EntryLine(const records::TransactionEntry& entry);

// The entry's date and time as YYYY-MM-DDThh:mm:ss, the fields as stored
// (a cleared entry gives 2000-00-00T00:00:00).
std::string IsoDateTime(const records::TransactionEntry& entry);

// "8-15": the entries of block `block`.
std::string BlockEntryRange(int block);
// "Entries 8-15 could not be read: <reason>"
std::string BlockFailedLine(int block, std::string_view reason);

// Bytes of a reply to a one-block read: header, the block, CRC.
inline constexpr int kBlockReplyBytes = 13 + records::kTransactionBlockSize + 2;

// Why the reply to a one-block read gave no block (empty when it holds one).
// A reply that failed its CRC check is not listed: one wrong byte would show
// as a real transaction with a wrong amount. `outcomeText` is the link's
// text for a failure of the device.
std::string BlockProblem(ExchangeOutcome outcome, int replyBytes, std::string_view outcomeText);
// What the window says after "Program" sent the masks.
std::string ProgramResult(ExchangeOutcome outcome, std::string_view outcomeText);
// The link log line of a dump stopped before block `block`.
std::string StoppedLogLine(int block);

using TransactionBlockBytes = std::span<const std::uint8_t, records::kTransactionBlockSize>;

class TransactionDump {
public:
    static constexpr int kBlocks = records::kTransactionBlockCount;

    // Every block starts as not read.
    TransactionDump();

    // Block `block` (0..31) was read and holds `bytes`.
    void SetBlock(int block, TransactionBlockBytes bytes);
    // Block `block` could not be read, for `reason`.
    void SetBlockFailed(int block, std::string reason);
    // Blocks `from`..31 were not read, for `reason`.
    void SetBlocksFailedFrom(int from, const std::string& reason);

    bool BlockRead(int block) const;
    int BlocksRead() const;
    // Entry `k` (0..255), or nothing when its block was not read.
    std::optional<records::TransactionEntry> Entry(int k) const;

    // The header, then for each block its 8 entry lines or its one line
    // saying why it is missing.
    std::vector<std::string> Lines() const;
    // The lines, each ended by CR LF.
    std::string ListingText() const;
    // One row per entry (entry, type code, mnemonic, description, ISO date
    // and time, game, account, amount), one row per missing block; CR LF.
    std::string CsvText() const;

private:
    struct Block {
        bool read = false;
        std::array<std::uint8_t, records::kTransactionBlockSize> bytes{};
        std::string reason;
    };
    std::array<Block, kBlocks> blocks_;
};

// What a dump needs from its caller: where it is (before each block,
// `block` blocks already read of `total`) and whether to stop before the
// next block. Either may be empty.
struct DumpControl {
    std::function<void(int block, int total)> progress;
    std::function<bool()> stop;
    // Why the dump stopped when `stop` said so (the not-read entries name
    // it); "the dump was stopped" when empty.
    std::function<std::string()> stopReason;
};

// Reads the whole log, block by block, through `link`. A block whose read
// failed is named with its reason; asked to stop (or losing the link), the
// dump ends before the next block, names the rest as not read, writes the
// stop to the link log and sets `stoppedAt` to that block (else -1).
TransactionDump ReadTransactionLog(clsUSBInterface* link, const DumpControl& control,
                                   int* stoppedAt = nullptr);

} // namespace transactions
