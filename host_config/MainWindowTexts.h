#pragma once
// The texts the main window builds at run time: dialog titles, the messages
// of refused entries, start-up and shut-down, and the status line. The
// captions, tooltips and list items of the controls are in the form,
// frmOrvane.ui.

#include <array>

namespace hostconfig::texts {

inline constexpr const char* kVersionSeparator = ", Version: ";

// The ticket text boxes, as messages name them.
inline constexpr const char* kFrameLocation = "Location (Header)";
inline constexpr const char* kFrameDisclaimer = "Disclaimer (Footer)";

// The parameters as messages name them: "<label> (<section>)".
inline constexpr const char* kSectionTamber = "Tamber";
inline constexpr const char* kSectionCashDrop = "Cash Drop";
inline constexpr const char* kSectionBonus = "Bonus";

struct ParameterText {
    const char* section;
    const char* label;
    const char* accepted; // the accepted range, as told to the operator
};
inline constexpr std::array<ParameterText, 9> kParameters{{
    {kSectionTamber, "Max Node", "0 to 255"},
    {kSectionTamber, "Card Prefix", "0 to 32767"},
    {kSectionTamber, "Oper Prefix", "0 to 32767"},
    {kSectionCashDrop, "Time", "a time of day, hours:minutes from 0:00 to 23:59"},
    {kSectionCashDrop, "Weekday", "0 to 255"},
    {kSectionBonus, "Percentage", "0 to 255"},
    {kSectionBonus, "Odds: 1 in", "0 to 32767"},
    {kSectionBonus, "Refill $", "0 to 327 dollars"},
    {kSectionBonus, "Limit", "0 to 2147483647"},
}};

// The parts of "Program", as the link log names them.
inline constexpr std::array<const char*, 4> kSend{"Date and Time", "Parameters and Printer",
                                                  "Location (Header)", "Disclaimer (Footer)"};

inline constexpr std::array<const char*, 4> kFileDialogTitles{
    "Open Location Text", "Save Location Text", "Open Disclaimer Text", "Save Disclaimer Text"};
inline constexpr const char* kFileFilter = "(*.txt)|*.txt|All Files|*.*";
inline constexpr const char* kLocationFile = "MyLocation.txt";
inline constexpr const char* kDisclaimerFile = "MyDisclaimer.txt";

// Size indicator under each ticket text: "%1 of 512 bytes".
inline constexpr const char* kTicketSize = "%1 of %2 bytes";
inline constexpr const char* kTicketTooLong = " - too long, shorten the text";
inline constexpr const char* kTicketUnencodable = " - contains characters that cannot be sent";

// Refused entries.
inline constexpr const char* kRefusedTitle = "Nothing was sent";
inline constexpr const char* kRefusedIntro =
    "Nothing was sent to the Tolvex. Please correct these entries and press the button again:";
inline constexpr const char* kNotOpenedIntro =
    "The window was not opened. Please correct these entries first:";
inline constexpr const char* kEmpty = "is empty";
inline constexpr const char* kNotANumber = "is not a number";
inline constexpr const char* kOutOfRange = "is out of range";
// "<field> <problem>; accepted: <range>."
inline constexpr const char* kFieldLine = "%1 %2; accepted: %3.";
// "<box> needs %1 bytes; the Tolvex keeps %2."
inline constexpr const char* kTextTooLong = "%1 needs %2 bytes; the Tolvex keeps only %3.";
inline constexpr const char* kTextUnencodable =
    "%1 contains characters the ticket printer cannot print: %2";

// A "Program" run stopped by a request to quit, in the link log.
inline constexpr const char* kProgramStopped = "Program stopped before everything was sent; "
                                               "not sent: %1\r\n";
// A text of which only some blocks went out: "<box> (blocks 3 to 8 of 8)".
inline constexpr const char* kBlocksNotSent = "%1 (blocks %2 to %3 of %4)";

inline constexpr const char* kNotSavedTitle = "File not written";
inline constexpr const char* kNotSaved = "The file could not be written:\n%1";
// A text file that start-up could not take on is never overwritten; the exit
// message names the edit that is lost and why: "<file> (<why>, so ...)".
inline constexpr const char* kNotSavedKept = "%1 (%2, so it was kept as it is)";
inline constexpr const char* kKeptUnread = "it could not be read";
inline constexpr const char* kKeptBadName =
    "its name is not valid in this system's file name encoding";
inline constexpr const char* kKeptSameFile = "it is %1";
inline constexpr const char* kNotReadTitle = "File not read";
inline constexpr const char* kNotRead = "The file could not be read:\n%1";

// What start-up found in Settings.ini and the text files, one line each.
inline constexpr const char* kStartUpTitle = "Settings and files";
inline constexpr const char* kStartUpIntro = "Orvane started with these problems:";
inline constexpr const char* kSettingsUnreadable =
    "%1 could not be read. The defaults are shown, and the file will not be overwritten.";
// "SiteParam/PrinterType holds 9; accepted: 0 to 5. 0 is used instead."
inline constexpr const char* kStoredOutOfRange =
    "%1 holds \"%2\"; accepted: 0 to %3. %4 is used instead.";
// "<field>: the stored value "999" is out of range; accepted: 0 to 255. 0 is used instead."
inline constexpr const char* kStoredParameter =
    "%1: the stored value \"%2\" %3; accepted: %4. %5 is used instead.";
inline constexpr const char* kTextUnreadable =
    "The text file %1 could not be read. Its box is left empty, and the file will not be "
    "overwritten.";
inline constexpr const char* kBadFileName =
    "The file name %1 is not valid in this system's file name encoding. Its box is left empty, "
    "and no file is written under that name.";
inline constexpr const char* kSameFileAtStartUp =
    "The text file %1 is the same file as %2. It is not loaded or saved; choose another file for "
    "it.";
inline constexpr const char* kNameRefusedTitle = "File not used";
inline constexpr const char* kSameFileChosen =
    "%1 is the same file as %2, which Orvane keeps for something else. Please choose another "
    "file.";
inline constexpr const char* kSettingsFileName = "the settings file";
inline constexpr const char* kNodeFileName = "the node table file";
inline constexpr const char* kLocationText = "the location text";
inline constexpr const char* kDisclaimerText = "the disclaimer text";

// Status line: what the link is connected to, and how the last exchange
// ended.
inline constexpr const char* kStatusFtdi = "FTDI %1, serial %2";
inline constexpr const char* kStatusFtdiNoSerial = "FTDI %1";
inline constexpr const char* kStatusFtdiUnnamed = "FTDI device";
inline constexpr const char* kStatusTty = "%1 at %2 baud";
inline constexpr const char* kStatusSimulated = "Simulated host";
inline constexpr const char* kStatusUnknown = "Device";
// "No device: <reason>. <hint>"
inline constexpr const char* kStatusNoDevice = "No device: %1. %2";
inline constexpr const char* kHintFtdi =
    "Plug in the host and press Reconnect (no access? install the udev rule; another "
    "device? start with --device).";
inline constexpr const char* kHintTty =
    "Check that %1 is there and that you may open it (the dialout group or the udev rule), "
    "then press Reconnect; another device? start with --device.";
inline constexpr const char* kHintSimulated = "Plug the simulated host in and press Reconnect.";
inline constexpr const char* kLastExchangeNone = "Last exchange: none";
// "Last exchange: OK 12:04:31"
inline constexpr const char* kLastExchange = "Last exchange: %1 %2";
inline constexpr const char* kOutcomeOk = "OK";
inline constexpr const char* kOutcomeCrcError = "CRC error";
inline constexpr const char* kOutcomeTimeout = "Timeout";
inline constexpr const char* kOutcomeTooLong = "Reply too long";
inline constexpr const char* kOutcomeBadLength = "Bad reply length";
inline constexpr const char* kOutcomeBusy = "Refused, link busy";
inline constexpr const char* kTimeFormat = "HH:mm:ss";
inline constexpr const char* kReconnect = "Reconnect";
inline constexpr const char* kConnectionName = "Connection";
inline constexpr const char* kLastExchangeName = "Last exchange";
inline constexpr const char* kNoLink = "the link is not set up";
inline constexpr const char* kReconnectTip = "Open the device again";
inline constexpr const char* kReconnectRefusedTitle = "Not reconnected";
inline constexpr const char* kReconnectRefused =
    "The connection cannot be made again while a command is talking to the host. Try again "
    "when it has finished.";

} // namespace hostconfig::texts
