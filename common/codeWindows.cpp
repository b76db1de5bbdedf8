#include "common/codeWindows.h"

#include "platform/IniProfile.h"

std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, const std::string& fileName) {
    return platform::GetProfileString(section, key, defaultValue, fileName);
}

long ReadIniInteger(const std::string& section, const std::string& key, long defaultValue,
                    const std::string& fileName) {
    return platform::GetProfileInt(section, key, defaultValue, fileName);
}

bool WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& fileName) {
    return platform::WriteProfileString(section, key, value, fileName);
}
