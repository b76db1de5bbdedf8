#include "host_config/SiteConfig.h"

#include "common/codeCommon.h"
#include "host_config/MainWindowTexts.h"

#include <limits>

namespace hostconfig {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool AllDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!IsDigit(c)) {
            return false;
        }
    }
    return true;
}

struct Range {
    std::int64_t low;
    std::int64_t high;
};
// Accepted whole numbers of each box; the alarm time's parts share box 3's.
constexpr std::array<Range, kParameterCount> kRanges{{
    {0, 255},        // Max Node
    {0, 32767},      // Card Prefix
    {0, 32767},      // Oper Prefix
    {0, 23},         // Time: the hour (the minute below)
    {0, 255},        // Weekday
    {0, 255},        // Percentage
    {0, 32767},      // Odds
    {0, 327},        // Refill, dollars: the cents must fit 16 bits
    {0, 2147483647}, // Limit
}};

// Bit 7 of the alarm hour and minute bytes is the automatic cash drop flag,
// so each part must be a time of day: a larger value would set the flag.
constexpr Range kAlarmMinuteRange{0, 59};

enum class Check { Ok, Empty, NotANumber, OutOfRange };

Check CheckNumber(std::string_view text, Range range, std::int64_t& value) {
    if (Trimmed(text).empty()) {
        return Check::Empty;
    }
    const auto whole = TextToWhole(text);
    if (!whole) {
        return Check::NotANumber;
    }
    if (*whole < range.low || *whole > range.high) {
        return Check::OutOfRange;
    }
    value = *whole;
    return Check::Ok;
}

// The alarm time "hours:minutes" or "hours": a time of day.
Check CheckAlarmTime(std::string_view text, std::int64_t& hour, std::int64_t& minute) {
    if (Trimmed(text).empty()) {
        return Check::Empty;
    }
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        minute = 0;
        return CheckNumber(text, kRanges[kAlarmTime], hour);
    }
    const Check h = CheckNumber(text.substr(0, colon), kRanges[kAlarmTime], hour);
    const Check m = CheckNumber(text.substr(colon + 1), kAlarmMinuteRange, minute);
    // A missing part is a stray ":", not an empty box.
    const auto worst = [](Check c) { return c == Check::Empty ? Check::NotANumber : c; };
    if (worst(h) == Check::NotANumber || worst(m) == Check::NotANumber) {
        return Check::NotANumber;
    }
    return h != Check::Ok ? h : m;
}

Check CheckBox(const std::array<QString, kParameterCount>& boxes, int box,
               std::array<std::int64_t, kParameterCount>& values, std::int64_t& minute) {
    const std::string text = boxes[static_cast<std::size_t>(box)].toStdString();
    if (box == kAlarmTime) {
        return CheckAlarmTime(text, values[kAlarmTime], minute);
    }
    return CheckNumber(text, kRanges[static_cast<std::size_t>(box)],
                       values[static_cast<std::size_t>(box)]);
}

const char* ProblemText(Check check) {
    switch (check) {
    case Check::Empty:
        return texts::kEmpty;
    case Check::NotANumber:
        return texts::kNotANumber;
    case Check::OutOfRange:
    case Check::Ok:
        break;
    }
    return texts::kOutOfRange;
}

void PutWord(std::span<std::uint8_t> buf, std::size_t at, std::uint16_t value) {
    buf[at] = static_cast<std::uint8_t>(value & 0xFF);
    buf[at + 1] = static_cast<std::uint8_t>(value / 256);
}

std::uint8_t Bcd(int value) {
    return static_cast<std::uint8_t>((value / 10) * 16 + value % 10);
}

} // namespace

std::optional<std::int64_t> TextToWhole(std::string_view text) {
    text = Trimmed(text);
    const auto dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction =
        dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if (!AllDigits(whole) || (dot != std::string_view::npos && !AllDigits(fraction))) {
        return std::nullopt;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (char c : whole) {
        const int digit = c - '0';
        if (value > (kMax - digit) / 10) {
            return kMax;
        }
        value = value * 10 + digit;
    }
    if (fraction.empty()) {
        return value;
    }
    // Round half to even: above one half rounds up, below down, exactly one
    // half goes to the even neighbour.
    const char first = fraction.front();
    const bool restNonZero = fraction.substr(1).find_first_not_of('0') != std::string_view::npos;
    const bool up = first > '5' || (first == '5' && (restNonZero || value % 2 == 1));
    if (up) {
        return value == kMax ? kMax : value + 1;
    }
    return value;
}

std::vector<FieldError> ValidateParameters(const std::array<QString, kParameterCount>& boxes) {
    std::vector<FieldError> errors;
    std::array<std::int64_t, kParameterCount> values{};
    std::int64_t minute = 0;
    for (int box = 0; box < kParameterCount; ++box) {
        const Check check = CheckBox(boxes, box, values, minute);
        if (check != Check::Ok) {
            const auto& t = texts::kParameters[static_cast<std::size_t>(box)];
            errors.push_back({box, QStringLiteral("%1 (%2)").arg(t.label, t.section),
                              ProblemText(check), t.accepted});
        }
    }
    return errors;
}

std::optional<SiteParamRecord> BuildSiteParams(const SiteEntries& entries,
                                               const SiteParamRecord& previous) {
    std::array<std::int64_t, kParameterCount> v{};
    std::int64_t minute = 0;
    for (int box = 0; box < kParameterCount; ++box) {
        if (CheckBox(entries.parameters, box, v, minute) != Check::Ok) {
            return std::nullopt;
        }
    }
    const std::uint8_t flag =
        (entries.globalOptions & kAutomaticCashDropBit) != 0 ? kCashDropFlag : 0;

    SiteParamRecord r = previous;
    r.MaxNode = static_cast<std::uint8_t>(v[kMaxNode]);
    r.GlobalOptions = entries.globalOptions;
    r.PrinterType = entries.printerType;
    r.CardPrefix = static_cast<std::int16_t>(v[kCardPrefix]);
    r.OperPrefix = static_cast<std::int16_t>(v[kOperPrefix]);
    r.AlarmHour = static_cast<std::uint8_t>(v[kAlarmTime] | flag);
    r.AlarmMinute = static_cast<std::uint8_t>(minute | flag);
    r.CashDropWeekday = static_cast<std::uint8_t>(v[kCashDropWeekday]);
    r.Percentage = static_cast<std::uint8_t>(v[kPercentage]);
    r.Odds = static_cast<std::int16_t>(v[kOdds]);
    r.Refill = static_cast<std::int16_t>(v[kRefill] * 100);
    r.Limit = static_cast<std::int32_t>(v[kLimit]);
    r.KioskNoteInValue = entries.kioskNoteInValue;
    if (r.CashDropWeekday != 0) {
        r.CashDropWeekday = static_cast<std::uint8_t>(r.CashDropWeekday | flag);
    }
    return r;
}

std::array<std::uint8_t, 22> SiteConfigPayload(const SiteParamRecord& r) {
    std::array<std::uint8_t, 22> p{};
    p[0] = 6;
    p[1] = 20;
    p[2] = r.MaxNode;
    p[3] = r.GlobalOptions;
    p[4] = r.PrinterType;
    PutWord(p, 5, static_cast<std::uint16_t>(r.CardPrefix));
    p[7] = r.AlarmHour;
    p[8] = r.AlarmMinute;
    p[9] = r.CashDropWeekday;
    p[10] = r.Percentage;
    PutWord(p, 11, static_cast<std::uint16_t>(r.Odds));
    PutWord(p, 13, static_cast<std::uint16_t>(r.Refill));
    PutWord(p, 15, static_cast<std::uint16_t>(r.OperPrefix));
    p[17] = r.KioskNoteInValue;
    PutLong(r.Limit, p, 18);
    return p;
}

SiteParamRecord SiteParamsOfHostRecord(std::span<const std::uint8_t> record) {
    using records::kSiteLayout;
    using records::OffsetOf;
    const auto byte = [&](std::string_view label) {
        const auto at = static_cast<std::size_t>(OffsetOf(kSiteLayout, label));
        return at < record.size() ? record[at] : std::uint8_t{0};
    };
    // Little-endian, every bit as stored (the record's 4-byte fields are
    // shown with bit 31 cleared, but are sent back whole).
    const auto bytes = [&](std::string_view label, int count) {
        std::uint32_t value = 0;
        const auto at = static_cast<std::size_t>(OffsetOf(kSiteLayout, label));
        for (int k = count - 1; k >= 0; --k) {
            const std::size_t i = at + static_cast<std::size_t>(k);
            value = value * 256 + (i < record.size() ? record[i] : 0u);
        }
        return value;
    };
    const auto word = [&](std::string_view label) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes(label, 2)));
    };
    SiteParamRecord r;
    r.MaxNode = byte("High Node");
    r.GlobalOptions = byte("Global Options");
    r.PrinterType = byte("Printer Type");
    r.CardPrefix = word("Card Prefix");
    r.AlarmHour = byte("Alarm Hour");
    r.AlarmMinute = byte("Alarm Minute");
    r.CashDropWeekday = byte("Cash Drop Weekday");
    r.Percentage = byte("Progressive Set Percent");
    r.Odds = word("Progressive Set Odds");
    r.Refill = word("Progressive Refill");
    r.Limit = static_cast<std::int32_t>(bytes("Progressive Limit", 4));
    r.TransactionStoreMask = bytes("Trace Mask", 4);
    r.TransactionPrintMask = bytes("Trace Print Mask", 4);
    r.OperPrefix = word("Operator Card Prefix");
    r.KioskNoteInValue = byte("Note-In Value");
    return r;
}

std::array<std::uint8_t, 8> DateTimePayload(const QDateTime& now) {
    const QDate d = now.date();
    const QTime t = now.time();
    return {1,
            6,
            Bcd(d.month()),
            Bcd(d.day()),
            Bcd(((d.year() % 100) + 100) % 100),
            Bcd(t.hour()),
            Bcd(t.minute()),
            Bcd(t.second())};
}

TicketText EncodeTicketText(const QString& text) {
    TicketText out;
    int at = 0;
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\r') {
            continue;
        }
        if (c > 0xFF) {
            // Left out and reported: sending some other code in its place
            // would print something the operator never wrote.
            const QString shown = QString::fromUcs4(&c, 1);
            if (!out.unencodable.contains(shown)) {
                out.unencodable += shown;
            }
            continue;
        }
        if (at < kTicketTextBufferSize) {
            out.buffer[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(c);
        }
        ++at;
    }
    out.length = at;
    return out;
}

std::array<std::uint8_t, 70>
HeaderFooterBlock(int choice, int block,
                  std::span<const std::uint8_t, kTicketTextBufferSize> buffer) {
    std::array<std::uint8_t, 70> p{};
    if (block < 0 || block >= kTicketTextBlocks) {
        return p;
    }
    const std::int32_t base = choice == 2 ? kFooterAddress : kHeaderAddress;
    const int from = kTicketTextBlockSize * block;
    PutLong(base + from, p, 0);
    PutWord(p, 4, kTicketTextBlockSize);
    for (int k = 0; k < kTicketTextBlockSize; ++k) {
        p[static_cast<std::size_t>(6 + k)] = buffer[static_cast<std::size_t>(from + k)];
    }
    return p;
}

QStringList ParameterProblemLines(const std::array<QString, kParameterCount>& boxes) {
    QStringList lines;
    for (const FieldError& e : ValidateParameters(boxes)) {
        lines << QString(texts::kFieldLine).arg(e.field, e.problem, e.accepted);
    }
    return lines;
}

QString TicketSizeText(const TicketText& encoded) {
    QString text = QString(texts::kTicketSize).arg(encoded.length).arg(kTicketTextLimit);
    if (encoded.length > kTicketTextLimit) {
        text += texts::kTicketTooLong;
    }
    if (!encoded.unencodable.isEmpty()) {
        text += texts::kTicketUnencodable;
    }
    return text;
}

QStringList TicketTextProblemLines(const QString& title, const TicketText& encoded) {
    QStringList lines;
    if (!encoded.unencodable.isEmpty()) {
        lines << QString(texts::kTextUnencodable).arg(title, encoded.unencodable);
    }
    if (encoded.length > kTicketTextLimit) {
        lines << QString(texts::kTextTooLong).arg(title).arg(encoded.length).arg(kTicketTextLimit);
    }
    return lines;
}

std::vector<records::FieldValue> SiteFieldsSent(const SiteParamRecord& r) {
    // 16-bit fields go out as their low 16 bits and come back unsigned.
    const auto word = [](std::int16_t v) {
        return static_cast<std::int32_t>(static_cast<std::uint16_t>(v));
    };
    return {
        {"High Node", r.MaxNode},
        {"Global Options", r.GlobalOptions},
        {"Printer Type", r.PrinterType},
        {"Card Prefix", word(r.CardPrefix)},
        {"Alarm Hour", r.AlarmHour},
        {"Alarm Minute", r.AlarmMinute},
        {"Cash Drop Weekday", r.CashDropWeekday},
        {"Progressive Set Percent", r.Percentage},
        {"Progressive Set Odds", word(r.Odds)},
        {"Progressive Refill", word(r.Refill)},
        {"Progressive Limit", r.Limit},
        {"Operator Card Prefix", word(r.OperPrefix)},
        {"Note-In Value", r.KioskNoteInValue},
    };
}

} // namespace hostconfig
