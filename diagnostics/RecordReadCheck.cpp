#include "diagnostics/RecordReadCheck.h"

#include "diagnostics/DiagnosticTexts.h"
#include "diagnostics/RecordDecoder.h"

#include <QString>

namespace records {

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace

std::string ReadFailedLine(std::string_view recordName, std::string_view reason) {
    return std::string(diagtext::kReadFailed) + std::string(recordName) + ": " +
           std::string(reason);
}

ReadVerdict CheckRecordReply(ExchangeOutcome outcome, int replyBytes, std::string_view outcomeText,
                             std::string_view recordName, int decodedSize) {
    if (outcome != ExchangeOutcome::Ok && outcome != ExchangeOutcome::CrcError) {
        const std::string_view reason =
            outcome == ExchangeOutcome::None ? diagtext::kNoReply : Trimmed(outcomeText);
        return {false, ReadFailedLine(recordName, reason.empty() ? diagtext::kNoReply : reason)};
    }
    if (!ReplyHoldsRecord(replyBytes, decodedSize)) {
        const QString reason = QString(diagtext::kShortReply)
                                   .arg(replyBytes)
                                   .arg(kReplyDataOffset + decodedSize + kReplyCrcSize);
        return {false, ReadFailedLine(recordName, reason.toStdString())};
    }
    if (outcome == ExchangeOutcome::CrcError) {
        // The bytes did arrive with this reply; one of them is wrong. They are
        // still worth seeing when diagnosing the link, under a clear warning.
        return {true, std::string(diagtext::kCrcWarning) + std::string(recordName) +
                          diagtext::kCrcWarningEnd};
    }
    return {true, {}};
}

ReadVerdict CheckRecordReply(const clsUSBInterface& link, std::string_view recordName,
                             int decodedSize) {
    return CheckRecordReply(link.LastOutcome(), link.LastReplyBytes(),
                            link.OutcomeText(link.LastOutcome(), link.LastStatus()), recordName,
                            decodedSize);
}

} // namespace records
