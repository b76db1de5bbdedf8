#pragma once
// Where Settings.ini, the node table and the text files are kept.

#include "platform/IniProfile.h"

#include <string>
#include <string_view>

// Settings.ini keeps the names of files in the program folder (the ticket
// texts, the capture file), and a stored value holds at most 254 bytes: a
// folder whose longest such name, folder + "/MyDisclaimer.txt", would not
// fit is no usable program folder.
inline constexpr std::size_t kLongestProgramFolder =
    platform::kProfileValueLimit - std::string_view("/MyDisclaimer.txt").size();

struct ProgramFolderChoice {
    std::string folder; // empty when no usable folder could be found or made
    std::string error;  // why, in that case
};

// `requested` (from --folder) when given, created if missing when
// `createRequested` (the window writes its files there when it closes);
// without it a missing folder is chosen as it is, not made, and the caller
// decides whether it can do without it. Else the folder
// of the executable when it is writable (portable use); else the user's
// application data folder, created on first use. Folders are the bytes the
// system sees (platform/SafeFile.h); a requested folder whose name is not
// valid in the file name encoding is refused rather than read and written
// under another name, and so is one longer than kLongestProgramFolder bytes.
ProgramFolderChoice ChooseProgramFolder(const std::string& requested,
                                        const std::string& executableFolder,
                                        const std::string& appDataFolder,
                                        bool createRequested = true);

// The executable's folder as a candidate for portable use, or empty when the
// executable runs from the folder it was installed to (e.g. /usr/bin): an
// installed program never keeps its files among the system's executables,
// not even when run by a user who could write there.
std::string PortableFolderCandidate(const std::string& executableFolder,
                                    const std::string& installedFolder);
