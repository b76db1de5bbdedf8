#pragma once
// The site parameters the main window programs into the host. Built from the
// main window's entries; read by the windows that send or store them.

#include <cstdint>

struct SiteParamRecord {
    std::uint8_t MaxNode = 0;
    std::uint8_t GlobalOptions = 0;
    std::uint8_t PrinterType = 0;
    std::int16_t CardPrefix = 0;
    std::uint8_t AlarmHour = 0;       // bit 7: automatic cash drop
    std::uint8_t AlarmMinute = 0;     // bit 7: automatic cash drop
    std::uint8_t CashDropWeekday = 0; // bit 7: automatic cash drop, when not 0
    std::uint8_t Percentage = 0;
    std::int16_t Odds = 0;
    std::int16_t Refill = 0; // cents
    std::int32_t Limit = 0;
    std::uint32_t TransactionStoreMask = 0;
    std::uint32_t TransactionPrintMask = 0;
    std::int16_t OperPrefix = 0;
    std::uint8_t KioskNoteInValue = 0;

    bool operator==(const SiteParamRecord&) const = default;
};
