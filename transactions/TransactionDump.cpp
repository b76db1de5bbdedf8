#include "transactions/TransactionDump.h"

#include "common/codeCommon.h"
#include "transactions/TransactionTexts.h"
#include "transactions/TransactionTypes.h"

#include <QPointer>

#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace transactions {

namespace {

constexpr const char* kCrLf = "\r\n";

bool ValidBlock(int block) {
    return block >= 0 && block < TransactionDump::kBlocks;
}

std::string Padded(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*u", digits, value);
    return text;
}

// The field quoted when it holds a separator, a quote or a line end.
std::string CsvField(std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(field);
    }
    std::string quoted("\"");
    for (const char c : field) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

std::string_view Trimmed(std::string_view text) {
    const auto last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

// The link's text of a failure without its blanks, "no reply" for none.
std::string FailureReason(std::string_view outcomeText) {
    const auto first = outcomeText.find_first_not_of(' ');
    const std::string_view reason =
        first == std::string_view::npos ? std::string_view() : Trimmed(outcomeText.substr(first));
    return std::string(reason.empty() ? txtext::kNoReply : reason);
}

// `pattern` with %1, %2, ... replaced by `arguments` in order.
std::string Filled(std::string_view pattern, std::initializer_list<std::string> arguments) {
    std::string text(pattern);
    int n = 0;
    for (const std::string& argument : arguments) {
        const std::string marker = "%" + std::to_string(++n);
        if (const auto at = text.find(marker); at != std::string::npos) {
            text.replace(at, marker.size(), argument);
        }
    }
    return text;
}

} // namespace

std::string HeaderLine() {
    return txtext::kHeaderLine;
}

std::string EntryLine(const records::TransactionEntry& entry) {
    std::string line = HexText(entry.type, 2);
    line += ' ';
    line += Mnemonic(entry.type);
    line += ' ';
    line += PackedDateTimeText(static_cast<std::int32_t>(entry.date), entry.seconds, true);
    line += ' ';
    line += Padded(entry.game, 4);
    line += ' ';
    line += Padded(entry.acct, 4);
    line += ' ';
    line += Padded(entry.amount, 9);
    return line;
}

std::string IsoDateTime(const records::TransactionEntry& entry) {
    const std::uint32_t p = entry.date;
    char text[40];
    std::snprintf(text, sizeof text, "%u-%02u-%02uT%02u:%02u:%02u", 2000 + (p >> 9 & 0x7F), p & 0xF,
                  p >> 4 & 0x1F, p >> 16 & 0x1F, p >> 21 & 0x3F, entry.seconds & 0x3Fu);
    return text;
}

std::string BlockEntryRange(int block) {
    const int first = block * records::kTransactionEntriesPerBlock;
    return std::to_string(first) + "-" +
           std::to_string(first + records::kTransactionEntriesPerBlock - 1);
}

std::string BlockFailedLine(int block, std::string_view reason) {
    return std::string(txtext::kEntries) + BlockEntryRange(block) + txtext::kNotRead +
           std::string(reason);
}

std::string BlockProblem(ExchangeOutcome outcome, int replyBytes, std::string_view outcomeText) {
    switch (outcome) {
    case ExchangeOutcome::Ok:
        if (replyBytes < kBlockReplyBytes) {
            return Filled(txtext::kShortReply,
                          {std::to_string(replyBytes), std::to_string(kBlockReplyBytes)});
        }
        return {};
    case ExchangeOutcome::CrcError:
        return txtext::kCrcError;
    case ExchangeOutcome::None:
        return txtext::kNoReply;
    default:
        return FailureReason(outcomeText);
    }
}

std::string ProgramResult(ExchangeOutcome outcome, std::string_view outcomeText) {
    switch (outcome) {
    case ExchangeOutcome::Ok:
        return txtext::kProgramSent;
    case ExchangeOutcome::CrcError:
        return txtext::kProgramCrc;
    default:
        return Filled(txtext::kProgramFailed, {FailureReason(outcomeText)});
    }
}

std::string StoppedLogLine(int block) {
    return std::string(txtext::kStoppedLog) +
           std::to_string(block * records::kTransactionEntriesPerBlock) + "-" +
           std::to_string(records::kTransactionEntryCount - 1) + kCrLf;
}

TransactionDump::TransactionDump() {
    for (Block& block : blocks_) {
        block.reason = txtext::kNotYetRead;
    }
}

void TransactionDump::SetBlock(int block, TransactionBlockBytes bytes) {
    if (!ValidBlock(block)) {
        return;
    }
    Block& b = blocks_[static_cast<std::size_t>(block)];
    std::copy(bytes.begin(), bytes.end(), b.bytes.begin());
    b.read = true;
    b.reason.clear();
}

void TransactionDump::SetBlockFailed(int block, std::string reason) {
    if (!ValidBlock(block)) {
        return;
    }
    Block& b = blocks_[static_cast<std::size_t>(block)];
    b.bytes.fill(0);
    b.read = false;
    b.reason = std::move(reason);
}

void TransactionDump::SetBlocksFailedFrom(int from, const std::string& reason) {
    for (int b = std::max(from, 0); b < kBlocks; ++b) {
        SetBlockFailed(b, reason);
    }
}

bool TransactionDump::BlockRead(int block) const {
    return ValidBlock(block) && blocks_[static_cast<std::size_t>(block)].read;
}

int TransactionDump::BlocksRead() const {
    int n = 0;
    for (const Block& block : blocks_) {
        n += block.read ? 1 : 0;
    }
    return n;
}

std::optional<records::TransactionEntry> TransactionDump::Entry(int k) const {
    if (k < 0 || k >= records::kTransactionEntryCount) {
        return std::nullopt;
    }
    const Block& block =
        blocks_[static_cast<std::size_t>(k / records::kTransactionEntriesPerBlock)];
    if (!block.read) {
        return std::nullopt;
    }
    const auto at = static_cast<std::size_t>(k % records::kTransactionEntriesPerBlock) *
                    records::kTransactionEntrySize;
    return records::DecodeTransactionEntry(
        std::span<const std::uint8_t, records::kTransactionEntrySize>(
            block.bytes.data() + at, records::kTransactionEntrySize));
}

std::vector<std::string> TransactionDump::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(1 + records::kTransactionEntryCount);
    lines.push_back(HeaderLine());
    for (int block = 0; block < kBlocks; ++block) {
        const Block& b = blocks_[static_cast<std::size_t>(block)];
        if (!b.read) {
            lines.push_back(BlockFailedLine(block, b.reason));
            continue;
        }
        for (int i = 0; i < records::kTransactionEntriesPerBlock; ++i) {
            lines.push_back(EntryLine(*Entry(block * records::kTransactionEntriesPerBlock + i)));
        }
    }
    return lines;
}

std::string TransactionDump::ListingText() const {
    std::string text;
    for (const std::string& line : Lines()) {
        text += line;
        text += kCrLf;
    }
    return text;
}

std::string TransactionDump::CsvText() const {
    std::string text = std::string(txtext::kCsvHeader) + kCrLf;
    for (int block = 0; block < kBlocks; ++block) {
        const Block& b = blocks_[static_cast<std::size_t>(block)];
        if (!b.read) {
            text += BlockEntryRange(block) + ",,," + CsvField(BlockFailedLine(block, b.reason)) +
                    ",,,," + kCrLf;
            continue;
        }
        for (int i = 0; i < records::kTransactionEntriesPerBlock; ++i) {
            const int k = block * records::kTransactionEntriesPerBlock + i;
            const records::TransactionEntry entry = *Entry(k);
            text += std::to_string(k) + ',' + std::to_string(entry.type) + ',' +
                    CsvField(Trimmed(Mnemonic(entry.type))) + ',' +
                    CsvField(Description(entry.type)) + ',' + IsoDateTime(entry) + ',' +
                    std::to_string(entry.game) + ',' + std::to_string(entry.acct) + ',' +
                    std::to_string(entry.amount) + kCrLf;
        }
    }
    return text;
}

TransactionDump ReadTransactionLog(clsUSBInterface* link, const DumpControl& control,
                                   int* stoppedAt) {
    const QPointer<clsUSBInterface> alive(link);
    constexpr int kBlocks = TransactionDump::kBlocks;
    TransactionDump dump;
    int block = 0;
    for (; block < kBlocks; ++block) {
        if (alive == nullptr || (control.stop && control.stop())) {
            break;
        }
        if (control.progress) {
            control.progress(block, kBlocks);
        }
        const clsUSBInterface::ReplyBuffer reply =
            alive->NovRamRead(records::kTransactionLogBase + records::kTransactionBlockSize * block,
                              records::kTransactionBlockSize);
        if (alive == nullptr) {
            break;
        }
        const std::string problem =
            BlockProblem(alive->LastOutcome(), alive->LastReplyBytes(),
                         alive->OutcomeText(alive->LastOutcome(), alive->LastStatus()));
        if (problem.empty()) {
            dump.SetBlock(block,
                          TransactionBlockBytes(reply.data() + clsUSBInterface::kMemoryDataOffset,
                                                records::kTransactionBlockSize));
        } else {
            dump.SetBlockFailed(block, problem);
        }
    }
    if (stoppedAt != nullptr) {
        *stoppedAt = block < kBlocks ? block : -1;
    }
    if (block < kBlocks) {
        dump.SetBlocksFailedFrom(block, alive == nullptr       ? std::string(txtext::kNoLink)
                                        : control.stopReason ? control.stopReason()
                                                             : std::string(txtext::kStopped));
        AppendStatusText(StoppedLogLine(block));
    }
    return dump;
}

} // namespace transactions
