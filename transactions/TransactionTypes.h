#pragma once
// The table of transaction types: code, the 7-character mnemonic the
// listing prints and the description that captions the type's store box.

#include <array>
#include <cstdint>
#include <string_view>

namespace transactions {

struct TransactionTypeInfo {
    std::string_view mnemonic;    // always 7 characters
    std::string_view description; // empty for types without a box
};

// Indexed by type code 0..25.
inline constexpr std::array<TransactionTypeInfo, 26> kTransactionTypes{{
    {"None   ", ""},
    {"Create ", "Player account created"},
    {"Modify ", "Player information changed"},
    {"AddBal ", "Amount added to player's balance"},
    {"Redeem ", "Credits redeemed to player"},
    {"Delete ", "Player account deleted"},
    {"GameIn ", "Currency inserted at game"},
    {"KioskIn", "Currency inserted at kiosk"},
    {"Disp   ", "Dollar amount dispensed on a game"},
    {"Clear  ", "Game Cash-outs (Clear button pressed)"},
    {"Promo  ", "Add to balance as a promotion"},
    {"Insert ", "Successful card insertion"},
    {"Remove ", "Card withdrawl"},
    {"CardBsy", "Card active at another game"},
    {"AddFlt ", "Add to account from floating balance"},
    {"NoCard ", "Attempt to dispense credits with no card inserted"},
    {"Overdrw", "Attempt to dispense more credits than are on account"},
    {"DispIn ", "Coin-In from Dispense"},
    {"CrdSend", "Send credits to Remote for display"},
    {"AwrdPrg", "Awarded Progressive pool to player"},
    {"SetCnt ", "Set a Remote's counter due to a mismatch"},
    {"TktErr ", "Ticket not printed because an error was detected"},
    {"NodeGPF", "Remote node General Purpose Flags changed"},
    {"BillIn ", ""},
    {"DpnIn  ", ""},
    {"DpnPool", ""},
}};

// The types that have a print and a store box.
inline constexpr int kFirstSelectableType = 1;
inline constexpr int kLastSelectableType = 22;

// The type's mnemonic, "INVALID" for a code above 25.
std::string_view Mnemonic(std::uint8_t code);
// The type's description; empty for a type without one or an unknown code.
std::string_view Description(std::uint8_t code);

} // namespace transactions
