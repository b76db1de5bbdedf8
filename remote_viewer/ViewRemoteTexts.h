#pragma once
// The texts the remote node viewer builds as it works. The captions of its
// controls are in its form (frmViewRemote.ui).

#include <array>

namespace remoteview::texts {

// Caption: kCaption, kCaptionGap (20 blanks), kVersion and the version.
inline constexpr const char* kCaption = "View Remote";
inline constexpr const char* kCaptionGap = "                    ";
inline constexpr const char* kVersion = "Version ";

// The commands' names in the log, as their buttons are captioned.
inline constexpr const char* kPollRemote = "Poll Remote";
inline constexpr const char* kGetCounts = "Get Counts";
inline constexpr const char* kDumpNV = "Dump NV";
inline constexpr const char* kDumpRemoteErrorCounts = "Dump Remote Error Counts";
inline constexpr const char* kClearRemoteErrorCounts = "Clear Remote Error Counts";

inline constexpr const char* kFixedFontFamily = "Courier New";
inline constexpr double kFixedFontPoints = 9.0;

// Lines of the commands. Each line ends in CR LF where it is shown.
inline constexpr const char* kBusy = "Busy...";
inline constexpr const char* kCommunicationError = "Remote node communication error";
inline constexpr const char* kNoErrors = "No Errors";
inline constexpr const char* kSuccess = "Success";

// An exchange that did not end with a good reply, shown instead of its
// bytes: kLinkFailure + one of the reasons below.
inline constexpr const char* kLinkFailure = "No answer: ";
inline constexpr const char* kReasonTimeout = "the host did not reply within 500 ms";
inline constexpr const char* kReasonCrc = "the reply failed its CRC check";
inline constexpr const char* kReasonDevice = "the USB device reported an error";
inline constexpr const char* kReasonTooLong = "the reply was longer than the reply buffer";
inline constexpr const char* kReasonBadLength = "the reply's length field was impossible";
inline constexpr const char* kReasonBusy = "the host link was busy with another exchange";
inline constexpr const char* kReasonNoExchange = "no exchange took place";
inline constexpr const char* kReasonNoLink = "there is no connection to the host";
// A counter whose exchange failed, in place of its ten digits.
inline constexpr const char* kNoCounter = "----------";

// A run that stopped because the program is closing: %1 commands of %2
// were not sent.
inline constexpr const char* kStopped =
    "Stopped: the program is closing; %1 of %2 commands not sent";
// The same in the link log: the button, the node and the commands not sent.
inline constexpr const char* kStoppedLog =
    "%1, remote node %2: stopped, %3 commands not sent (the program is closing)\r\n";

// The node count sent as the viewer opens and closes.
inline constexpr const char* kOpenFailed =
    "The host did not confirm node count 0 (%1). It may still poll its games while you "
    "talk to a node.";
inline constexpr const char* kRestoreTitle = "Node count not restored";
inline constexpr const char* kRestoreFailed =
    "The host did not confirm the site parameters with node count %1 (%2).\n\n"
    "The host still has node count 0, which keeps the site's games off the field "
    "network.\n\nTry again?";
inline constexpr const char* kRestoreAbandoned =
    "Node count %1 was not restored: the host still has node count 0, so the site's games stay "
    "off the field network until the site parameters are programmed again\r\n";
// Shown while the close waits for another window's command to end.
inline constexpr const char* kRestoreWaiting =
    "Restoring the node count when the running command ends";

// Why a site parameter message did not go through.
inline constexpr const char* kReasonRefused = "the host link is in use";

// What each of a node's error counters counts, by index. Indexes 0..21 are
// read from the node; the last entry only ends the table.
inline constexpr std::array<const char*, 23> kErrorTexts{{
    "No error",
    "The receive buffer overflowed",
    "UART overrun error",
    "UART framing error",
    "EEPROM checksum doesn't match",
    "Hit default case during RF reception",
    "Data received before buffer emptied",
    "UART receive timeout",
    "Invalid state detected in the header",
    "Header cycle count equals zero",
    "Not enough header cycles for valid header",
    "Invalid state detected in the separator",
    "Invalid state detected in the data",
    "Invalid command received from host",
    "Received bad checksum",
    "Received bad status",
    "Card reader Start Sentinel bad",
    "Card reader parity bad",
    "Card incomplete read",
    "Card insertion timeout",
    "Card reader End Sentinel bad",
    "Card reader Longitudinal Redundancy Check bad",
    "Err Last",
}};

} // namespace remoteview::texts
