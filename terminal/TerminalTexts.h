#pragma once
// Every text the terminal window builds or sets while it runs; its fixed
// captions are in frmTerminal.ui.

namespace terminaltext {

inline constexpr const char* kCaption = "Terminal";

// "Capture" turns into "End Capture" while capturing.
inline constexpr const char* kCapture = "Capture";
inline constexpr const char* kEndCapture = "End Capture";

// "COM" + 1..16
inline constexpr const char* kComPrefix = "COM";

// What the status line is, for assistive technology.
inline constexpr const char* kStatusName = "Port status";

// The received text's context menu.
inline constexpr const char* kCopy = "&Copy";
inline constexpr const char* kSelectAll = "Select &All";

inline constexpr const char* kFixedFontFamily = "Courier New";
inline constexpr double kFixedFontPoints = 9;

// The capture file dialog.
inline constexpr const char* kSelectFile = "Select File";
inline constexpr const char* kCaptureFilter = "Text Files (*.txt)|*.txt|All Files (*)|*";

// The message box of a port that cannot be opened: kOpenError + number +
// kOpenErrorMiddle + the failure's description.
inline constexpr const char* kOpenError = "Error ";
inline constexpr const char* kOpenErrorMiddle = " opening comm port, ";
inline constexpr const char* kPortNameTooLong =
    "the port name is too long to name a device (at most 255 characters between slashes)";

// The status line below the controls. %1 is a port's name ("COM2" or a
// device path).
inline constexpr const char* kPortOpen = "%1 is open.";
inline constexpr const char* kPortAbsent = "%1 is not present on this PC; no port is open.";
inline constexpr const char* kPortsPresent = " Ports present: %1.";
inline constexpr const char* kNoPortsPresent = " This PC has no serial port right now.";
inline constexpr const char* kOpenFailedAtStart = "%1 could not be opened (%2); no port is open.";
inline constexpr const char* kReopened = "%1 could not be opened; %2 is open again.";
inline constexpr const char* kReopenFailed =
    "%1 could not be opened, nor %2 again; no port is open. Choose a port.";
inline constexpr const char* kNotOpened = "%1 could not be opened; no port is open.";
inline constexpr const char* kPortLost =
    "%1 stopped working (%2). The text and the capture are kept; the port opens again "
    "when the device returns, or when you choose it.";
inline constexpr const char* kPortBack = "%1 is back and open again.";
inline constexpr const char* kNotSent = "Not sent, no port is open: %1.";
inline constexpr const char* kNotSentKey = "a typed key";
inline constexpr const char* kNotSentChat = "the chat line";
inline constexpr const char* kIthica =
    "Printer type Ithica shows nothing of what is received; choose Generic or "
    "Display Hex to see it.";

// Capture problems: %1 is the file, %2 the reason.
inline constexpr const char* kCaptureTitle = "Capture";
inline constexpr const char* kCaptureOpenFailed =
    "The capture file %1 could not be opened: %2.\nCapture is off.";
inline constexpr const char* kCaptureWriteFailed =
    "Writing the capture file %1 failed (%2). Capture is off; what it held before is kept.";
inline constexpr const char* kCaptureDeletedReason = "the file was deleted or its folder removed";
inline constexpr const char* kCaptureDeleted =
    "The capture file %1 was deleted (or its folder removed) while capturing. Capture is off; "
    "choose \"Capture\" to capture into a new file.";
inline constexpr const char* kSettingsNotSaved = "The terminal's settings could not be saved in %1";

} // namespace terminaltext
