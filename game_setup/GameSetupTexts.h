#pragma once
// The texts the game setup window builds as it works and those its node
// files write. The window's captions are in its form (frmGameSetup.ui), the
// list items in the node tables (NodeRecord.h).

#include <cstddef>
#include <string>

namespace gamesetup::texts {

// ------------------------------------------------------------ the window
// What assistive technology calls the status line.
inline constexpr const char* kStatusName = "Game setup status";

// ------------------------------------------------------------ field names
inline constexpr const char* kFieldGameNumber = "GameNumber";
inline constexpr const char* kFieldGameGroup = "GameGroup";
inline constexpr const char* kFieldNoteInValue = "NoteInValue";
inline constexpr const char* kFieldDenom = "Denom";
inline constexpr const char* kFieldKeyDown = "KeyDown";
inline constexpr const char* kFieldConfig = "Config";
inline constexpr const char* kFieldCoinInValue = "CoinInValue";

// ------------------------------------------------------------ the files
inline constexpr const char* kNodeIniName = "NodeInfo.ini";
inline constexpr const char* kNodeTextName = "NodeInfo.txt";
inline constexpr const char* kNodeBackupName = "NodeBackup99.bin";
inline constexpr const char* kSiteBackupName = "SiteBackup99.bin";
inline constexpr const char* kTextHeader[7] = {"Site",  "Addr",    "Game #", "Note-In",
                                               "Denom", "KeyDown", "Options"};

// ------------------------------------------------------------ messages
inline std::string ProblemLine(int node, const std::string& field, long value, long last) {
    return "Node " + std::to_string(node) + ": " + field + " " + std::to_string(value) + " (0 to " +
           std::to_string(last) + ")";
}
inline std::string AndMore(std::size_t more) {
    return "... and " + std::to_string(more) + " more";
}

inline constexpr const char* kProblemsTitle = "Node values out of range";
inline constexpr const char* kProblemsOnOpen =
    "NodeInfo.ini holds values these nodes cannot have. They are shown with no list item "
    "chosen and are not sent, exported or written to a backup until they are corrected:\n\n";
inline constexpr const char* kWriteRefused =
    "Nothing was written: these nodes hold values outside their lists. Correct them first:\n\n";

inline constexpr const char* kGameNumberTitle = "Game number";
inline std::string GameNumberRefused(int node, const std::string& typed) {
    return "The game number \"" + typed + "\" of node " + std::to_string(node) +
           " is not a whole number from 0 to 32767. Enter a number in that range.";
}

// A stored game number that fits no game number: the box is left empty and
// says what was stored.
inline std::string StoredGameNumberHint(long stored) {
    return "stored: " + std::to_string(stored);
}
inline std::string StoredGameNumberRefused(int node, long stored) {
    return "Node " + std::to_string(node) + " has the stored game number " +
           std::to_string(stored) +
           " in NodeInfo.ini, which is not a whole number from 0 to 32767. Enter a number in "
           "that range.";
}

inline constexpr const char* kIniUnreadableTitle = "NodeInfo.ini";
inline std::string IniUnreadable(const std::string& path) {
    return "Could not read " + path +
           ". The nodes start empty, and \"OK\" will not overwrite the file.";
}

inline constexpr const char* kNotSavedTitle = "Not saved";
inline std::string NotWritten(const std::string& files) {
    return "Could not write:\n" + files + "\nThe node table is still as it was in the window.";
}

inline constexpr const char* kReadFileTitle = "Read File";
inline std::string TextFileMissing(const std::string& path) {
    return "There is no node file " + path + "; nothing was read.";
}
inline std::string TextFileUnreadable(const std::string& path) {
    return "Could not read " + path + "; nothing was read.";
}
inline std::string ImportSummary(int nodes, std::size_t skipped) {
    return "Read " + std::to_string(nodes) + (nodes == 1 ? " node" : " nodes") + "; skipped " +
           std::to_string(skipped) + (skipped == 1 ? " line." : " lines.");
}
inline std::string SkippedLine(int line, const std::string& reason) {
    return "Line " + std::to_string(line) + ": " + reason;
}

// A field of NodeInfo.txt as quoted in a report: at most kQuotedFieldLimit
// bytes (never cutting a UTF-8 character), "..." marking a cut.
inline constexpr std::size_t kQuotedFieldLimit = 60;
inline std::string Quoted(const std::string& text) {
    if (text.size() <= kQuotedFieldLimit) {
        return "\"" + text + "\"";
    }
    std::size_t cut = kQuotedFieldLimit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return "\"" + text.substr(0, cut) + "...\" (" + std::to_string(text.size()) + " bytes)";
}

// Why a line of NodeInfo.txt was skipped.
inline std::string FieldCount(std::size_t count) {
    return "has " + std::to_string(count) + " fields, 7 expected";
}
inline std::string NotANumber(const char* field, const std::string& text) {
    return std::string(field) + " " + Quoted(text) + " is not a number";
}
inline std::string OtherSite(long site, long cardPrefix) {
    return "site " + std::to_string(site) + " is not this site (" + std::to_string(cardPrefix) +
           ")";
}
inline std::string NodeOutOfRange(long node, int maxNode) {
    return "node " + std::to_string(node) + " is outside 1 to " + std::to_string(maxNode);
}
inline std::string BadGame(const std::string& text) {
    return "game " + Quoted(text) +
           " is not a number 0 to 32767 followed by a group letter (A or B)";
}
inline std::string NotInTable(const char* field, const std::string& text) {
    return std::string(field) + " " + Quoted(text) + " is not one of the values of its list";
}
inline std::string BadOptions(const std::string& text) {
    return "options " + Quoted(text) + " is not a hexadecimal number 0x00 to 0xFF";
}
inline constexpr const char* kFieldSite = "site";
inline constexpr const char* kFieldAddress = "address";
inline constexpr const char* kFieldNoteIn = "note-in";
inline constexpr const char* kFieldDenomText = "denomination";
inline constexpr const char* kFieldKeyDownText = "key-down";

// ------------------------------------------------------------ programming
// "Program All": the node being sent and the node count.
inline std::string Progress(int node, int total) {
    return "Programming node " + std::to_string(node) + " of " + std::to_string(total) + "...";
}
// "Program Selected": the node being sent.
inline std::string ProgressOne(int node) {
    return "Programming node " + std::to_string(node) + "...";
}
inline constexpr const char* kProgramTitle = "Program All";
inline constexpr const char* kProgramSelectedTitle = "Program Selected";
inline std::string NodeFailed(int node, const std::string& why) {
    return "Node " + std::to_string(node) + ": " + why;
}
inline constexpr const char* kWhyTimeout = "no reply (time-out)";
inline constexpr const char* kWhyCrc = "CRC error in the reply; the host may not have taken it";
inline constexpr const char* kWhyNoLink = "no connection to the host";
inline constexpr const char* kWhyStopped = "not sent (the program is closing)";
// The link log's line when a quit stops "Program All" before node `from`.
inline std::string RunStopped(int from, int to) {
    return std::string(kProgramTitle) + ": " + kWhyStopped + ", nodes " + std::to_string(from) +
           " to " + std::to_string(to) + "\r\n";
}
inline std::string WhyLink(const std::string& outcome) {
    return "link failure (" + outcome + ")";
}
inline std::string WhyOutOfRange(const std::string& problems) {
    return "not sent: " + problems;
}
inline std::string AllAccepted(int total) {
    return total == 1 ? "The host accepted the node."
                      : "The host accepted all " + std::to_string(total) + " nodes.";
}
inline std::string SomeAccepted(int accepted, int total) {
    return "The host accepted " + std::to_string(accepted) + " of " + std::to_string(total) +
           " nodes. These were not programmed:";
}
inline std::string NoneAccepted(int total) {
    return total == 1 ? "The node was NOT programmed:"
                      : "No node was programmed: the host accepted none of the " +
                            std::to_string(total) + " nodes.";
}
inline std::string NodeProgrammed(int node) {
    return "Node " + std::to_string(node) + " programmed.";
}
inline constexpr const char* kNoNodes = "There are no nodes (Max Node is 0); nothing was sent.";
inline constexpr const char* kFilesWritten =
    "NodeInfo.txt, NodeBackup99.bin and SiteBackup99.bin written.";

} // namespace gamesetup::texts
