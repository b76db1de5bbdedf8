#include "platform/IniProfile.h"

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace platform {

namespace {

// Loads `fileName` into `ini`; a missing file leaves it empty.
bool LoadIni(CSimpleIniA& ini, const std::string& fileName) {
    ini.SetUnicode(false);
    ini.SetMultiKey(false);
    ini.SetMultiLine(false);
    ini.SetSpaces(false);
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::string data = text.str();
    return ini.LoadData(data.data(), data.size()) >= 0;
}

std::string Trim(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) {
        ++b;
    }
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) {
        --e;
    }
    return s.substr(b, e - b);
}

} // namespace

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& fileName) {
    CSimpleIniA ini;
    std::string value = defaultValue;
    if (LoadIni(ini, fileName)) {
        if (const char* stored = ini.GetValue(section.c_str(), key.c_str(), nullptr)) {
            value = Trim(stored);
        }
    }
    if (value.size() > kProfileValueLimit) {
        value.resize(kProfileValueLimit);
    }
    return value;
}

long GetProfileInt(const std::string& section, const std::string& key, long defaultValue,
                   const std::string& fileName) {
    CSimpleIniA ini;
    if (!LoadIni(ini, fileName)) {
        return defaultValue;
    }
    const char* stored = ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (stored == nullptr) {
        return defaultValue;
    }
    const std::string text = Trim(stored);
    if (text.empty()) {
        return defaultValue;
    }
    std::size_t i = 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 0xFFFFFFFFLL) {
            value = 0xFFFFFFFFLL; // saturate instead of overflowing
        }
    }
    if (negative) {
        value = -value;
    }
    return static_cast<long>(value);
}

bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& fileName) {
    CSimpleIniA ini;
    LoadIni(ini, fileName);
    if (ini.SetValue(section.c_str(), key.c_str(), value.c_str()) < 0) {
        return false;
    }
    std::string out;
    if (ini.Save(out, false) < 0) {
        return false;
    }
    return WriteFileAtomically(fileName, out);
}

bool WriteFileAtomically(const std::string& fileName, const std::string& contents) {
    const std::string temp = fileName + ".tmp";
    {
        std::FILE* f = std::fopen(temp.c_str(), "wb");
        if (f == nullptr) {
            return false;
        }
        const bool written =
            std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
        const bool flushed = std::fflush(f) == 0 && ::fsync(fileno(f)) == 0;
        const bool closed = std::fclose(f) == 0;
        if (!written || !flushed || !closed) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), fileName.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

} // namespace platform
