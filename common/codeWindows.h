#pragma once
// INI string read of the program, over the platform's profile access.

#include <string>

// The stored value of [section] key in `fileName`, trimmed, at most 254
// characters; `defaultValue` when the file, section or key is missing.
std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, const std::string& fileName);

// The profile-integer read: leading digits of the stored value, or
// `defaultValue` when the file, section or key is missing or empty.
long ReadIniInteger(const std::string& section, const std::string& key, long defaultValue,
                    const std::string& fileName);

bool WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& fileName);
