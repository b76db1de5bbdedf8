#pragma once
// Writing host records field by field through the layout tables, so the
// simulated host stores every value exactly where the diagnostic decoders
// look for it and no offset is written down twice.

#include "common/RecordLayouts.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace hostsim {

// The row of `layout` with `label`; throws std::logic_error when there is
// none (a misspelt label is a programming error, not a run-time condition).
const records::FieldLayout& FieldByLabel(std::span<const records::FieldLayout> layout,
                                         std::string_view label);

// Stores `value` as element `element` of the row labelled `label` in
// `record`, in the row's encoding (little-endian, nibbles and 5+3 bit parts
// keep the other half of their byte). Wider values are cut to the field.
// Throws std::out_of_range when the field lies outside `record` or the
// element does not exist.
void PutField(std::span<std::uint8_t> record, std::span<const records::FieldLayout> layout,
              std::string_view label, std::uint32_t value, int element = 0);

// Reads the raw value back (all 32 bits of a 4-byte field).
std::uint32_t GetField(std::span<const std::uint8_t> record,
                       std::span<const records::FieldLayout> layout, std::string_view label,
                       int element = 0);

// Recomputes the record's check value (the CRC-16 of the bytes in front of
// the row labelled "CRC", stored little-endian in that row).
void SealRecord(std::span<std::uint8_t> record, std::span<const records::FieldLayout> layout);

} // namespace hostsim
