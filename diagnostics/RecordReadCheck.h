#pragma once
// Whether the reply to a record read may be shown as that record. After a
// failed exchange the link's reply buffer still holds an earlier reply,
// perhaps of another record type, so decoding it would list wrong values as
// if they had just been read.

#include "link/clsUSBInterface.h"

#include <string>
#include <string_view>

namespace records {

struct ReadVerdict {
    // Decode and list the record.
    bool show = false;
    // Line shown instead of the record (show false) or above it (a CRC
    // warning); empty when the read was good.
    std::string note;
};

// `outcomeText` is the link's text of `outcome` ("  Timeout", ...);
// `recordName` says which record was read ("player record 5").
ReadVerdict CheckRecordReply(ExchangeOutcome outcome, int replyBytes, std::string_view outcomeText,
                             std::string_view recordName, int decodedSize);

// The same from the link's last exchange.
ReadVerdict CheckRecordReply(const clsUSBInterface& link, std::string_view recordName,
                             int decodedSize);

// The line shown when no record could be read at all, for `reason`.
std::string ReadFailedLine(std::string_view recordName, std::string_view reason);

} // namespace records
