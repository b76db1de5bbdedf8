#pragma once
// Small procedures shared by the windows and the device link: the link log,
// the host's packed date-time and hexadecimal texts and 32-bit little-endian
// packing. (Enabling a window's command buttons is in CommandButtons.h.)

#include <cstdint>
#include <span>
#include <string>

// Appends `msg` (which carries its own line end) to the link log.
void AppendStatusText(const std::string& msg);

// "MM/DD/20YY hh:mm" from the host's packed date-time, optionally followed by
// ":ss" from the low 6 bits of `secondsByte`. Fields are shown as stored,
// without range checks.
std::string PackedDateTimeText(std::int32_t packed, std::uint8_t secondsByte, bool withSeconds);

// "0x" and the upper-case hexadecimal digits of `value`, zero-padded to
// `digits` (at most 8) digits; a longer value keeps all its digits.
std::string HexText(std::uint32_t value, int digits);

// Writes `value` little-endian to buf[offset] .. buf[offset + 3]. Bytes that
// would fall outside `buf` are not written; returns false in that case.
bool PutLong(std::int32_t value, std::span<std::uint8_t> buf, int offset);
