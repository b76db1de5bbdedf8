#pragma once
// The print and store masks: bit i set means transaction type i is printed
// (or stored in the log). Types 1..22 have a box per column; the other bits
// have none but are kept as loaded and sent as they are. Also the message
// that programs both masks into the host, and their keys in Settings.ini.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace transactions {

// "Set All": bits 0..22, bit 0 included although type 0 has no box.
inline constexpr std::int32_t kSetAllMask = 0x7FFFFF;
inline constexpr std::int32_t kClearAllMask = 0;

// One column of boxes and its mask.
class MaskColumn {
public:
    explicit MaskColumn(std::int32_t mask = 0) : mask_(mask) {}

    std::int32_t Mask() const { return mask_; }
    // Whether box `type` (1..22) shows as checked for this mask.
    bool BoxChecked(int type) const;
    // Box `type` (1..22) was checked or unchecked: its bit follows it.
    void BoxClicked(int type, bool checked);
    void SetAll() { mask_ = kSetAllMask; }
    void ClearAll() { mask_ = kClearAllMask; }

private:
    std::int32_t mask_;
};

// The mask message: DeviceID 12, Cmnd 4, record type 10 with 8 data bytes.
inline constexpr std::int32_t kMaskDeviceId = 12;
inline constexpr std::int16_t kMaskMsgLen = 19;
inline constexpr std::int32_t kMaskCmnd = 4;
inline constexpr std::uint8_t kMaskRecordType = 10;
inline constexpr std::uint8_t kMaskDataBytes = 8;

// 10, 8, the store mask and the print mask, each as its 32-bit pattern low
// byte first (a mask with bit 31 set goes out as it is).
std::array<std::uint8_t, 10> TransactionMaskPayload(std::int32_t storeMask, std::int32_t printMask);

// Section "Transaction" of Settings.ini.
struct TransactionSettings {
    std::int32_t PrintMask = 0;
    std::int32_t StoreMask = 0;
};

// Keys "Print" and "Store", default 0. A stored integer of 32 bits, signed
// or not, is taken: its low 32 bits are the mask, so a value edited to a
// negative number stays it. A larger one is no mask: it reads as 0 and is
// named, one line each, in `unreadable` when given.
TransactionSettings ReadTransactionSettings(const std::string& settingsPath,
                                            std::vector<std::string>* unreadable = nullptr);
// Both keys as signed decimal text, in one replace of the file. False when
// the file could not be written (or could not be read, so it is kept).
bool WriteTransactionSettings(const TransactionSettings& settings, const std::string& settingsPath);

} // namespace transactions
