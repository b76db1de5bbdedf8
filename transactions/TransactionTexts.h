#pragma once
// The texts the transaction window builds as it works, and those of its
// listing and files. The captions of its other controls are in its form
// (frmTransactions.ui); the type table's mnemonics and descriptions, which
// caption the store boxes, are in TransactionTypes.h.

#include <string>

namespace txtext {

// The captions of the pair of boxes below the type rows.
inline constexpr const char* kClearAll = "Clear All";
inline constexpr const char* kSetAll = "Set All";

// Names for assistive technology of the boxes (kPrintBoxName or
// kStoreBoxName + the type's description or the pair's caption) and what
// the result line is.
inline constexpr const char* kPrintBoxName = "Print: ";
inline constexpr const char* kStoreBoxName = "Store: ";
inline constexpr const char* kResultName = "Result of the last command";

// Fixed-pitch font of the listing.
inline constexpr const char* kFixedFontFamily = "Courier New";
inline constexpr double kFixedFontPoints = 8.25;

// The listing.
inline constexpr const char* kGettingData = "Getting data...";
// Progress while a dump runs: kGettingData + " %1 of %2 blocks".
inline constexpr const char* kProgress = " %1 of %2 blocks";
inline constexpr const char* kHeaderLine = "Type         Date/Time           Game Acct Amount";
inline constexpr const char* kInvalidMnemonic = "INVALID";
// In place of a block's entries: kEntries + "8-15" + kNotRead + reason.
inline constexpr const char* kEntries = "Entries ";
inline constexpr const char* kNotRead = " could not be read: ";

// Why a block could not be read.
inline constexpr const char* kNoLink = "no device link";
inline constexpr const char* kNoReply = "no reply";
inline constexpr const char* kCrcError = "CRC error (the reply was damaged)";
inline constexpr const char* kShortReply = "reply of %1 bytes, %2 needed";
inline constexpr const char* kStopped = "the dump was stopped";
inline constexpr const char* kClosed = "the window was closed during the dump";
inline constexpr const char* kNotYetRead = "not read";
// Written to the link log when a dump stops early: + "8-255" + CR LF.
inline constexpr const char* kStoppedLog = "Dump stopped; not read: entries ";

// "Program".
inline constexpr const char* kProgramSent = "Masks sent to the host.";
inline constexpr const char* kProgramFailed = "The masks did not reach the host: %1";
inline constexpr const char* kProgramCrc =
    "The host's reply to the masks was damaged (CRC error); they may not be stored.";

// "Save...".
inline constexpr const char* kSaveTitle = "Save Transaction Log";
inline constexpr const char* kSaveFilter =
    "Text listing (*.txt)|*.txt|CSV for a spreadsheet (*.csv)|*.csv|All Files (*)|*";
inline constexpr const char* kSaveDefaultName = "/Transactions.txt"; // in the program folder
inline constexpr const char* kCsvSuffix = ".csv";
inline constexpr const char* kSaved = "Saved to %1";
inline constexpr const char* kSaveFailedTitle = "Not saved";
inline constexpr const char* kSaveFailed = "The transaction log could not be written to\n%1";

// Settings that could not be written when the window unloads (a warning on
// the console).
inline constexpr const char* kSettingsNotSaved =
    "The transaction masks could not be written to\n%1";

// A stored mask that is no 32-bit number, shown in the result line when the
// window opens: "Transaction/Store holds "9999..."; ...".
inline std::string TransactionMaskUnreadable(const std::string& key, const std::string& stored) {
    return key + " in Settings.ini holds \"" + stored +
           "\", which is no 32-bit mask; accepted: -2147483648 to 4294967295. 0 is used "
           "instead.";
}

// The CSV file.
inline constexpr const char* kCsvHeader =
    "Entry,Type,Mnemonic,Description,Date/Time,Game,Account,Amount";

} // namespace txtext
