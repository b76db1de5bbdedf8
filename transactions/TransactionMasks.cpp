#include "transactions/TransactionMasks.h"

#include "common/codeCommon.h"
#include "platform/IniProfile.h"
#include "transactions/TransactionTypes.h"

namespace transactions {

namespace {

constexpr const char* kSection = "Transaction";
constexpr const char* kPrintKey = "Print";
constexpr const char* kStoreKey = "Store";

bool HasBox(int type) {
    return type >= kFirstSelectableType && type <= kLastSelectableType;
}

std::uint32_t Bit(int type) {
    return 1u << static_cast<unsigned>(type);
}

std::int32_t Low32Bits(long value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

} // namespace

bool MaskColumn::BoxChecked(int type) const {
    return HasBox(type) && (static_cast<std::uint32_t>(mask_) & Bit(type)) != 0;
}

void MaskColumn::BoxClicked(int type, bool checked) {
    if (!HasBox(type)) {
        return;
    }
    const auto bits = static_cast<std::uint32_t>(mask_);
    mask_ = static_cast<std::int32_t>(checked ? bits | Bit(type) : bits & ~Bit(type));
}

std::array<std::uint8_t, 10> TransactionMaskPayload(std::int32_t storeMask,
                                                    std::int32_t printMask) {
    std::array<std::uint8_t, 10> payload{kMaskRecordType, kMaskDataBytes};
    PutLong(storeMask, payload, 2);
    PutLong(printMask, payload, 6);
    return payload;
}

TransactionSettings ReadTransactionSettings(const std::string& settingsPath) {
    const platform::ProfileBatch profile(settingsPath);
    TransactionSettings settings;
    settings.PrintMask = Low32Bits(profile.GetInt(kSection, kPrintKey, 0));
    settings.StoreMask = Low32Bits(profile.GetInt(kSection, kStoreKey, 0));
    return settings;
}

bool WriteTransactionSettings(const TransactionSettings& settings,
                              const std::string& settingsPath) {
    platform::ProfileBatch profile(settingsPath);
    return profile.Readable() &&
           profile.Write(kSection, kPrintKey, std::to_string(settings.PrintMask)) &&
           profile.Write(kSection, kStoreKey, std::to_string(settings.StoreMask)) &&
           profile.Commit();
}

} // namespace transactions
