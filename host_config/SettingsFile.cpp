#include "host_config/SettingsFile.h"

#include "host_config/MainWindowTexts.h"
#include "host_config/SiteConfig.h"
#include "platform/IniProfile.h"

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

// The default of a key whose stored value is out of range, with a line for
// the operator.
long Checked(const platform::ProfileBatch& batch, const char* section, const char* key, long high,
             long fallback, QStringList* problems) {
    const long value = batch.GetInt(section, key, fallback);
    if (value >= 0 && value <= high) {
        return value;
    }
    if (problems != nullptr) {
        *problems << QString(texts::kStoredOutOfRange)
                         .arg(QString::fromStdString(std::string(section) + "/" + key),
                              QString::fromStdString(batch.GetString(section, key, "")))
                         .arg(high)
                         .arg(fallback);
    }
    return fallback;
}

} // namespace

MainSettings ReadMainSettings(const std::string& path, const std::string& folder,
                              QStringList* problems) {
    const platform::ProfileBatch batch(path);
    if (!batch.Readable() && problems != nullptr) {
        *problems << QString(texts::kSettingsUnreadable).arg(QString::fromUtf8(path));
    }
    MainSettings s;
    s.LocationFileName =
        batch.GetString(kSettings, "LocationFileName", folder + "/" + texts::kLocationFile);
    s.DisclaimerFileName =
        batch.GetString(kSettings, "DisclaimerFileName", folder + "/" + texts::kDisclaimerFile);
    s.PrinterType = static_cast<int>(Checked(batch, kSiteParam, "PrinterType", 5, 0, problems));
    s.GlobalOptions =
        static_cast<std::uint8_t>(Checked(batch, kSiteParam, "GlobalOptions", 255, 0, problems));
    std::array<QString, kParameterCount> boxes;
    for (std::size_t n = 0; n < kParameterKeys.size(); ++n) {
        const ParameterKey& k = kParameterKeys[n];
        s.Parameters[n] = k.isText ? batch.GetString(k.section, k.key, k.defaultText)
                                   : std::to_string(batch.GetInt(k.section, k.key, k.defaultValue));
        boxes[n] = QString::fromStdString(s.Parameters[n]);
    }
    for (const FieldError& e : ValidateParameters(boxes)) {
        const ParameterKey& k = kParameterKeys[static_cast<std::size_t>(e.box)];
        const std::string fallback = k.isText ? k.defaultText : std::to_string(k.defaultValue);
        if (problems != nullptr) {
            *problems << QString(texts::kStoredParameter)
                             .arg(e.field, boxes[static_cast<std::size_t>(e.box)], e.problem,
                                  e.accepted, QString::fromStdString(fallback));
        }
        s.Parameters[static_cast<std::size_t>(e.box)] = fallback;
    }
    s.KioskNoteInValue =
        static_cast<int>(Checked(batch, kSiteParam, "KioskNoteInValue", 6, 0, problems));
    return s;
}

bool WriteMainSettings(const MainSettings& s, const std::string& path) {
    platform::ProfileBatch batch(path);
    bool ok = batch.Write(kSettings, "LocationFileName", s.LocationFileName);
    ok = batch.Write(kSettings, "DisclaimerFileName", s.DisclaimerFileName) && ok;
    ok = batch.Write(kSiteParam, "PrinterType", std::to_string(s.PrinterType)) && ok;
    ok = batch.Write(kSiteParam, "GlobalOptions", std::to_string(s.GlobalOptions)) && ok;
    for (std::size_t n = 0; n < kParameterKeys.size(); ++n) {
        ok = batch.Write(kParameterKeys[n].section, kParameterKeys[n].key, s.Parameters[n]) && ok;
    }
    ok = batch.Write(kSiteParam, "KioskNoteInValue", std::to_string(s.KioskNoteInValue)) && ok;
    return ok && batch.Commit();
}

} // namespace hostconfig
