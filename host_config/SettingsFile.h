#pragma once
// The main window's part of Settings.ini: the sections "Settings",
// "SiteParam" and "SiteParamBonus". Read once at start-up, written once at
// shut-down.

#include <QStringList>

#include <array>
#include <cstdint>
#include <string>

namespace hostconfig {

struct MainSettings {
    // File names as the bytes the system sees (platform/SafeFile.h).
    std::string LocationFileName;
    std::string DisclaimerFileName;
    int PrinterType = 0; // 0..5
    std::uint8_t GlobalOptions = 0;
    // The parameter boxes' texts, exactly as typed.
    std::array<std::string, 9> Parameters;
    int KioskNoteInValue = 0; // 0..6
};

// Values stored outside their control's range (printer 0..5, note-in value
// 0..6, options 0..255) and parameters the host's fields cannot hold fall
// back to the default of the key, so the site parameter record built from
// them is always valid. Each such value, and a file that could not be read,
// is described by one line of `problems`.
MainSettings ReadMainSettings(const std::string& settingsPath, const std::string& programFolder,
                              QStringList* problems = nullptr);
// Writes every key in one replace of the file. False when the file could
// not be written, or could not be read (it is then left as it is).
bool WriteMainSettings(const MainSettings& settings, const std::string& settingsPath);

} // namespace hostconfig
