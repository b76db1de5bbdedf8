#pragma once
// Readers of little-endian record fields from a reply buffer. Each reads at
// the cursor and advances it past the field. A field that does not lie
// wholly inside the buffer reads as 0 (the cursor still advances), so a
// short reply can never be read past its end.

#include <cstdint>
#include <span>

std::uint8_t GetByteField(std::span<const std::uint8_t> buf, int& offset);
// 0..65535
std::int32_t GetIntegerField(std::span<const std::uint8_t> buf, int& offset);
// 0..2147483647: bit 31 of the stored value is dropped.
std::int32_t GetLongField(std::span<const std::uint8_t> buf, int& offset);
