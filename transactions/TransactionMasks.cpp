#include "transactions/TransactionMasks.h"

#include "common/codeCommon.h"
#include "platform/IniProfile.h"
#include "transactions/TransactionTexts.h"
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

// The leading integer of a stored value, as the profile read takes it, when
// it lies in -2^31 .. 2^32-1; nothing when it is larger either way.
bool FitsAMask(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::int64_t limit = negative ? 2147483648LL : 4294967295LL;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) {
            return false;
        }
    }
    return true;
}

std::int32_t StoredMask(const platform::ProfileBatch& profile, const char* key,
                        std::vector<std::string>* unreadable) {
    const std::string text = profile.GetString(kSection, key, "0");
    if (!FitsAMask(text)) {
        if (unreadable != nullptr) {
            unreadable->push_back(
                txtext::TransactionMaskUnreadable(std::string(kSection) + "/" + key, text));
        }
        return 0;
    }
    return Low32Bits(profile.GetInt(kSection, key, 0));
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

TransactionSettings ReadTransactionSettings(const std::string& settingsPath,
                                            std::vector<std::string>* unreadable) {
    const platform::ProfileBatch profile(settingsPath);
    TransactionSettings settings;
    settings.PrintMask = StoredMask(profile, kPrintKey, unreadable);
    settings.StoreMask = StoredMask(profile, kStoreKey, unreadable);
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
