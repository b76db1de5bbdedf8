#pragma once
// The texts the diagnostic window builds at run time. Captions and names of
// the controls are in the form, frmDiagnostic.ui.

namespace diagtext {

// Fixed-pitch font of the lists and the log box.
inline constexpr const char* kFixedFontFamily = "Courier New";
inline constexpr double kFixedFontPoints = 8.25;

// What a record read is called in the lines below.
inline constexpr const char* kPlayerRecordName = "player record ";      // + index
inline constexpr const char* kRemoteRecordName = "remote node record "; // + index
inline constexpr const char* kSiteRecordName = "site parameter record";

// A record that could not be read: kReadFailed + name + ": " + reason.
inline constexpr const char* kReadFailed = "Could not read the ";
inline constexpr const char* kNoLink = "no device link";
inline constexpr const char* kNoReply = "no reply";
inline constexpr const char* kShortReply = "reply of %1 bytes, %2 needed";

// A reply that failed its CRC check is shown below this warning:
// kCrcWarning + name + kCrcWarningEnd.
inline constexpr const char* kCrcWarning = "CRC error in the reply for the ";
inline constexpr const char* kCrcWarningEnd = "; the values below may be wrong";

// The log buttons without a device link (the link writes its own lines
// otherwise).
inline constexpr const char* kNoLinkLogLine = "No device link\r\n";

} // namespace diagtext
