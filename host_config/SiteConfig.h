#pragma once
// The pure core of the main window's site configuration: reading the
// parameter entries as numbers, checking them against what the host's fields
// can hold, building the shared site parameter record and the payloads of the
// three messages that program the host (site parameters, clock, header and
// footer texts). No widgets here; the window only gathers the texts.

#include "common/RecordLayouts.h"
#include "common/SiteParamRecord.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hostconfig {

inline constexpr int kParameterCount = 9;
// Index of each parameter box.
enum ParameterBox : int {
    kMaxNode = 0,
    kCardPrefix = 1,
    kOperPrefix = 2,
    kAlarmTime = 3,
    kCashDropWeekday = 4,
    kPercentage = 5,
    kOdds = 6,
    kRefill = 7,
    kLimit = 8,
};

// Bit of GlobalOptions that also flags the automatic cash drop.
inline constexpr std::uint8_t kAutomaticCashDropBit = 1u << 3;
inline constexpr std::uint8_t kCashDropFlag = 0x80;

// A message to the host: its frame codes and the length of its payload.
struct MessageKind {
    std::int32_t deviceId;
    std::int32_t cmnd;
    int payloadSize;
    std::int16_t MsgLen() const { return static_cast<std::int16_t>(payloadSize + 9); }
};
inline constexpr MessageKind kSiteParamsMessage{12, 4, 22};
inline constexpr MessageKind kDateTimeMessage{13, 4, 8};
inline constexpr MessageKind kHeaderFooterMessage{1, 2, 70};

// A decimal number "digits" or "digits.digits", rounded to a whole number
// with halves going to the even neighbour ("2.5" -> 2, "1.5" -> 2). Blanks
// around it are allowed. Nothing else is a number: empty text, a sign, a
// second "." or ":", a "." without digits on both sides. Values too large for
// 64 bits come back as INT64_MAX, which every range check refuses.
std::optional<std::int64_t> TextToWhole(std::string_view text);

// What is wrong with one entry.
struct FieldError {
    int box;          // parameter box index
    QString field;    // the field's label, with its section
    QString problem;  // "is empty", "is not a number", "is out of range"
    QString accepted; // the accepted range in words
};

// The entries that SetParameters reads, as the window holds them.
struct SiteEntries {
    std::array<QString, kParameterCount> parameters;
    std::uint8_t globalOptions = 0;
    std::uint8_t printerType = 0;
    std::uint8_t kioskNoteInValue = 0;
};

// Every parameter box that does not give a number in its field's range.
std::vector<FieldError> ValidateParameters(const std::array<QString, kParameterCount>& boxes);

// One line a refused box: "Max Node (Tamber) is out of range; accepted: 0 to 255."
QStringList ParameterProblemLines(const std::array<QString, kParameterCount>& boxes);

// The site parameter record of `entries`; nothing when any parameter box is
// refused by ValidateParameters (the record never holds a wrapped value).
// Transaction masks are taken from `previous`, which the transaction window
// owns.
std::optional<SiteParamRecord> BuildSiteParams(const SiteEntries& entries,
                                               const SiteParamRecord& previous);

// The payload of the site parameter message.
std::array<std::uint8_t, 22> SiteConfigPayload(const SiteParamRecord& record);

// The site parameters as the host holds them in its own record (`record`
// starts at record byte 0, kSiteDecodedSize bytes at least): sent back in
// the site parameter message, they give the host exactly its own bytes.
SiteParamRecord SiteParamsOfHostRecord(std::span<const std::uint8_t> record);

// The payload of the clock message for `now`, in packed BCD.
std::array<std::uint8_t, 8> DateTimePayload(const QDateTime& now);

// Header and footer texts travel as 8-bit codes (Latin-1) with carriage
// returns removed; the host keeps 512 bytes of each.
inline constexpr int kTicketTextBufferSize = 1024;
inline constexpr int kTicketTextLimit = 512;
inline constexpr int kTicketTextBlocks = 8;
inline constexpr int kTicketTextBlockSize = 64;
inline constexpr std::int32_t kHeaderAddress = 0x8000;
inline constexpr std::int32_t kFooterAddress = 0x8400;

struct TicketText {
    std::array<std::uint8_t, kTicketTextBufferSize> buffer{};
    int length = 0;      // bytes the text needs, carriage returns removed
    QString unencodable; // characters without an 8-bit code, each once
    bool Fits() const { return length <= kTicketTextLimit && unencodable.isEmpty(); }
};
TicketText EncodeTicketText(const QString& text);

// The line under a ticket text box: "N of 512 bytes", and what is wrong.
QString TicketSizeText(const TicketText& encoded);
// Why the text of the box titled `title` cannot be sent, one line each.
QStringList TicketTextProblemLines(const QString& title, const TicketText& encoded);

// Payload of block `block` (0..7) of the header (choice 1) or footer
// (choice 2): address, byte count 64, and 64 bytes of the buffer.
std::array<std::uint8_t, 70>
HeaderFooterBlock(int choice, int block,
                  std::span<const std::uint8_t, kTicketTextBufferSize> buffer);

// What the site parameter message puts into the host's site parameter
// record, by the record's row labels.
std::vector<records::FieldValue> SiteFieldsSent(const SiteParamRecord& record);

} // namespace hostconfig
