#include "host_config/SettingsFile.h"

#include "common/codeWindows.h"
#include "host_config/MainWindowTexts.h"

namespace hostconfig {

namespace {

constexpr const char* kSettings = "Settings";
constexpr const char* kSiteParam = "SiteParam";
constexpr const char* kSiteParamBonus = "SiteParamBonus";

struct ParameterKey {
    const char* section;
    const char* key;
    long defaultValue; // integer keys
    bool isText;       // AlarmTime is kept as typed
    const char* defaultText;
};
constexpr std::array<ParameterKey, 9> kParameterKeys{{
    {kSiteParam, "MaxNode", 0, false, ""},
    {kSiteParam, "CardPrefix", 1234, false, ""},
    {kSiteParam, "OperPrefix", 1234, false, ""},
    {kSiteParam, "AlarmTime", 0, true, "4:00"},
    {kSiteParam, "CashDropWeekday", 0, false, ""},
    {kSiteParamBonus, "Percentage", 1, false, ""},
    {kSiteParamBonus, "Odds", 5000, false, ""},
    {kSiteParamBonus, "Refill", 50, false, ""},
    {kSiteParamBonus, "Limit", 0, false, ""},
}};

long InRangeOr(long value, long low, long high, long fallback) {
    return value >= low && value <= high ? value : fallback;
}

} // namespace

MainSettings ReadMainSettings(const std::string& path, const std::string& folder) {
    MainSettings s;
    s.LocationFileName =
        ReadIniString(kSettings, "LocationFileName", folder + "/" + texts::kLocationFile, path);
    s.DisclaimerFileName =
        ReadIniString(kSettings, "DisclaimerFileName", folder + "/" + texts::kDisclaimerFile, path);
    s.PrinterType =
        static_cast<int>(InRangeOr(ReadIniInteger(kSiteParam, "PrinterType", 0, path), 0, 5, 0));
    s.GlobalOptions = static_cast<std::uint8_t>(
        InRangeOr(ReadIniInteger(kSiteParam, "GlobalOptions", 0, path), 0, 255, 0));
    for (std::size_t n = 0; n < kParameterKeys.size(); ++n) {
        const ParameterKey& k = kParameterKeys[n];
        s.Parameters[n] =
            k.isText ? ReadIniString(k.section, k.key, k.defaultText, path)
                     : std::to_string(ReadIniInteger(k.section, k.key, k.defaultValue, path));
    }
    s.KioskNoteInValue = static_cast<int>(
        InRangeOr(ReadIniInteger(kSiteParam, "KioskNoteInValue", 0, path), 0, 6, 0));
    return s;
}

bool WriteMainSettings(const MainSettings& s, const std::string& path) {
    bool ok = WriteIniString(kSettings, "LocationFileName", s.LocationFileName, path);
    ok = WriteIniString(kSettings, "DisclaimerFileName", s.DisclaimerFileName, path) && ok;
    ok = WriteIniString(kSiteParam, "PrinterType", std::to_string(s.PrinterType), path) && ok;
    ok = WriteIniString(kSiteParam, "GlobalOptions", std::to_string(s.GlobalOptions), path) && ok;
    for (std::size_t n = 0; n < kParameterKeys.size(); ++n) {
        ok = WriteIniString(kParameterKeys[n].section, kParameterKeys[n].key, s.Parameters[n],
                            path) &&
             ok;
    }
    ok = WriteIniString(kSiteParam, "KioskNoteInValue", std::to_string(s.KioskNoteInValue), path) &&
         ok;
    return ok;
}

} // namespace hostconfig
