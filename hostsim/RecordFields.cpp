#include "hostsim/RecordFields.h"

#include "common/Crc16.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace hostsim {

namespace {

// Bytes taken by one element of a row; the shared-byte halves occupy the
// whole byte for bounds purposes.
int ElementBytes(records::FieldKind kind) {
    const int width = records::FieldWidth(kind);
    return width == 0 ? 1 : width;
}

std::size_t ElementOffset(std::span<const std::uint8_t> record, const records::FieldLayout& row,
                          int element) {
    if (element < 0 || element >= row.count) {
        throw std::out_of_range("element " + std::to_string(element) + " of " +
                                std::string(row.label));
    }
    const std::size_t bytes = static_cast<std::size_t>(ElementBytes(row.kind));
    const std::size_t offset = static_cast<std::size_t>(row.offset) + bytes * element;
    if (offset + bytes > record.size()) {
        throw std::out_of_range("field " + std::string(row.label) + " outside the record");
    }
    return offset;
}

} // namespace

const records::FieldLayout& FieldByLabel(std::span<const records::FieldLayout> layout,
                                         std::string_view label) {
    for (const records::FieldLayout& row : layout) {
        if (row.label == label) {
            return row;
        }
    }
    throw std::logic_error("no record field labelled " + std::string(label));
}

void PutField(std::span<std::uint8_t> record, std::span<const records::FieldLayout> layout,
              std::string_view label, std::uint32_t value, int element) {
    const records::FieldLayout& row = FieldByLabel(layout, label);
    const std::size_t at = ElementOffset(record, row, element);
    std::uint8_t& first = record[at];
    using K = records::FieldKind;
    switch (row.kind) {
    case K::Byte:
        first = static_cast<std::uint8_t>(value);
        break;
    case K::Word:
    case K::Long:
        for (int i = 0; i < records::FieldWidth(row.kind); ++i) {
            record[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        break;
    case K::LowNibble:
        first = static_cast<std::uint8_t>((first & 0xF0u) | (value & 0x0Fu));
        break;
    case K::HighNibble:
        first = static_cast<std::uint8_t>((first & 0x0Fu) | ((value & 0x0Fu) << 4));
        break;
    case K::Low5Bits:
        first = static_cast<std::uint8_t>((first & 0xE0u) | (value & 0x1Fu));
        break;
    case K::High3Bits:
        first = static_cast<std::uint8_t>((first & 0x1Fu) | ((value & 0x07u) << 5));
        break;
    }
}

std::uint32_t GetField(std::span<const std::uint8_t> record,
                       std::span<const records::FieldLayout> layout, std::string_view label,
                       int element) {
    const records::FieldLayout& row = FieldByLabel(layout, label);
    const std::size_t at = ElementOffset(record, row, element);
    const std::uint8_t first = record[at];
    using K = records::FieldKind;
    switch (row.kind) {
    case K::Byte:
        return first;
    case K::Word:
    case K::Long: {
        std::uint32_t value = 0;
        for (int i = records::FieldWidth(row.kind) - 1; i >= 0; --i) {
            value = (value << 8) | record[at + i];
        }
        return value;
    }
    case K::LowNibble:
        return first & 0x0Fu;
    case K::HighNibble:
        return first >> 4;
    case K::Low5Bits:
        return first & 0x1Fu;
    case K::High3Bits:
        return first >> 5;
    }
    return 0;
}

void SealRecord(std::span<std::uint8_t> record, std::span<const records::FieldLayout> layout) {
    const records::FieldLayout& crcRow = FieldByLabel(layout, "CRC");
    // The shift-in CRC routine needs two zero bytes behind the data to give
    // the CRC-16/XMODEM of the data itself.
    const auto covered = record.first(static_cast<std::size_t>(crcRow.offset));
    std::vector<std::uint8_t> augmented(covered.begin(), covered.end());
    augmented.resize(augmented.size() + 2, 0);
    PutField(record, layout, "CRC", common::Crc16(augmented));
}

} // namespace hostsim
