#pragma once
// The main window's part of Settings.ini: the sections "Settings",
// "SiteParam" and "SiteParamBonus". Read once at start-up, written once at
// shut-down.

#include <array>
#include <cstdint>
#include <string>

namespace hostconfig {

struct MainSettings {
    std::string LocationFileName;
    std::string DisclaimerFileName;
    int PrinterType = 0; // 0..5
    std::uint8_t GlobalOptions = 0;
    // The parameter boxes' texts, exactly as typed.
    std::array<std::string, 9> Parameters;
    int KioskNoteInValue = 0; // 0..6
};

// Values stored outside their control's range (printer 0..5, note-in value
// 0..6, options 0..255) fall back to the default of the key.
MainSettings ReadMainSettings(const std::string& settingsPath, const std::string& programFolder);
// False when a value could not be written.
bool WriteMainSettings(const MainSettings& settings, const std::string& settingsPath);

} // namespace hostconfig
