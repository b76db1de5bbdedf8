#include "transactions/TransactionTypes.h"

#include "transactions/TransactionTexts.h"

namespace transactions {

std::string_view Mnemonic(std::uint8_t code) {
    return code < kTransactionTypes.size() ? kTransactionTypes[code].mnemonic
                                           : std::string_view(txtext::kInvalidMnemonic);
}

std::string_view Description(std::uint8_t code) {
    return code < kTransactionTypes.size() ? kTransactionTypes[code].description
                                           : std::string_view();
}

} // namespace transactions
