#include "platform/IniProfile.h"

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <unistd.h>
#include <vector>

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

// The whole of `fileName` into `text`; a missing file reads as empty.
bool ReadWholeFile(const std::string& fileName, std::string& text) {
    text.clear();
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        std::error_code error;
        return !std::filesystem::exists(fileName, error) && !error;
    }
    std::ostringstream contents;
    contents << in.rdbuf();
    text = contents.str();
    return !in.bad();
}

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) {
        s.remove_suffix(1);
    }
    return s;
}

// A section or key name that reads back as itself: not empty, on one line,
// not taken for a comment or a section header.
bool IsName(std::string_view name) {
    return !TrimView(name).empty() && TrimView(name) == name &&
           name.find_first_of("\r\n]") == std::string_view::npos && name.front() != ';' &&
           name.front() != '#' && name.front() != '[';
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The name of a "[section]" line, read as SimpleIni reads it.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimView(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const auto close = line.find(']');
    return close == std::string_view::npos ? std::nullopt
                                           : std::optional(TrimView(line.substr(1, close - 1)));
}

// The key of a "key=value" line; nothing for comments, blanks and headers.
std::optional<std::string_view> KeyName(std::string_view line) {
    line = TrimView(line);
    if (line.empty() || line.front() == ';' || line.front() == '#' || line.front() == '[') {
        return std::nullopt;
    }
    const auto equals = line.find('=');
    return equals == std::string_view::npos ? std::nullopt
                                            : std::optional(TrimView(line.substr(0, equals)));
}

// `text` with [section] key set to `value`: every line of that key in that
// section is replaced (whichever a reader takes, it sees the new value), or
// the key is added after the section's last entry, or the section is added
// at the end. Line ends follow the file's own.
std::string WithProfileValue(const std::string& text, const std::string& section,
                             const std::string& key, const std::string& value) {
    const std::string newline = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string entry = key + "=" + value;

    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    // A byte-order mark stays where it is but must not hide the first line.
    const auto content = [&](std::size_t i) {
        std::string_view line = lines[i];
        if (i == 0 && line.starts_with("\xEF\xBB\xBF")) {
            line.remove_prefix(3);
        }
        return line;
    };

    bool inSection = false;
    bool replaced = false;
    std::optional<std::size_t> lastEntry; // of the last matching section
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(content(i))) {
            inSection = SameName(*name, section);
            if (inSection) {
                lastEntry = i;
            }
        } else if (inSection) {
            if (const auto name = KeyName(content(i))) {
                lastEntry = i;
                if (SameName(*name, key)) {
                    const std::size_t mark = lines[i].size() - content(i).size();
                    lines[i] = lines[i].substr(0, mark) + entry;
                    replaced = true;
                }
            }
        }
    }
    if (!replaced) {
        if (lastEntry) {
            lines.insert(lines.begin() + static_cast<long>(*lastEntry) + 1, entry);
        } else {
            while (!lines.empty() && TrimView(lines.back()).empty()) {
                lines.pop_back(); // one blank line before the new section
            }
            if (!lines.empty()) {
                lines.emplace_back();
            }
            lines.push_back("[" + section + "]");
            lines.push_back(entry);
        }
    }

    std::string out;
    for (const auto& line : lines) {
        out += line;
        out += newline;
    }
    return out;
}
} // namespace

namespace {

std::string StringFrom(const CSimpleIniA& ini, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    std::string value = defaultValue;
    if (const char* stored = ini.GetValue(section.c_str(), key.c_str(), nullptr)) {
        value = Trim(stored);
    }
    if (value.size() > kProfileValueLimit) {
        value.resize(kProfileValueLimit);
    }
    return value;
}

long IntFrom(const CSimpleIniA& ini, const std::string& section, const std::string& key,
             long defaultValue) {
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

void ConfigureIni(CSimpleIniA& ini) {
    ini.SetUnicode(false);
    ini.SetMultiKey(false);
    ini.SetMultiLine(false);
    ini.SetSpaces(false);
}

// A value as one line: a line break in it would start a line of its own (a
// key, or a whole section) when the file is read back.
std::string OneLine(const std::string& value) {
    std::string oneLine = value;
    std::replace_if(
        oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return oneLine;
}

bool WritableName(const std::string& section, const std::string& key) {
    return IsName(section) && IsName(key) && key.find('=') == std::string::npos;
}

} // namespace

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& fileName) {
    CSimpleIniA ini;
    if (!LoadIni(ini, fileName)) {
        std::string value = defaultValue;
        if (value.size() > kProfileValueLimit) {
            value.resize(kProfileValueLimit);
        }
        return value;
    }
    return StringFrom(ini, section, key, defaultValue);
}

long GetProfileInt(const std::string& section, const std::string& key, long defaultValue,
                   const std::string& fileName) {
    CSimpleIniA ini;
    if (!LoadIni(ini, fileName)) {
        return defaultValue;
    }
    return IntFrom(ini, section, key, defaultValue);
}

struct ProfileBatch::State {
    std::string fileName;
    std::string text;
    bool readable = true;
    bool changed = false;
    mutable bool parsed = false;
    mutable CSimpleIniA ini;
};

ProfileBatch::ProfileBatch(std::string fileName) : state_(std::make_unique<State>()) {
    state_->fileName = std::move(fileName);
    state_->readable = ReadWholeFile(state_->fileName, state_->text);
    if (!state_->readable) {
        state_->text.clear();
    }
}

ProfileBatch::~ProfileBatch() = default;

bool ProfileBatch::Readable() const { return state_->readable; }

const std::string& ProfileBatch::FileName() const { return state_->fileName; }

std::string ProfileBatch::GetString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) const {
    if (!state_->parsed) {
        state_->ini.Reset();
        ConfigureIni(state_->ini);
        state_->ini.LoadData(state_->text.data(), state_->text.size());
        state_->parsed = true;
    }
    return StringFrom(state_->ini, section, key, defaultValue);
}

long ProfileBatch::GetInt(const std::string& section, const std::string& key,
                          long defaultValue) const {
    GetString(section, key, ""); // parses the text when needed
    return IntFrom(state_->ini, section, key, defaultValue);
}

bool ProfileBatch::Write(const std::string& section, const std::string& key,
                         const std::string& value) {
    if (!WritableName(section, key)) {
        return false;
    }
    state_->text = WithProfileValue(state_->text, section, key, OneLine(value));
    state_->changed = true;
    state_->parsed = false;
    return true;
}

bool ProfileBatch::Commit() {
    if (!state_->readable) {
        return false;
    }
    if (!state_->changed) {
        return true;
    }
    if (!WriteFileAtomically(state_->fileName, state_->text)) {
        return false;
    }
    state_->changed = false;
    return true;
}

bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& fileName) {
    // Edited line by line, not saved from SimpleIni's model: a save would
    // drop comments after the last key and re-space the whole file, and the
    // profile calls leave every other line as it was.
    if (!WritableName(section, key)) {
        return false;
    }
    std::string text;
    if (!ReadWholeFile(fileName, text)) {
        return false; // there, but unreadable: rewriting it would lose it
    }
    return WriteFileAtomically(fileName, WithProfileValue(text, section, key, OneLine(value)));
}

bool WriteFileAtomically(const std::string& fileName, const std::string& contents) {
    const std::string temp = fileName + ".tmp";
    {
        std::FILE* f = std::fopen(temp.c_str(), "wb");
        if (f == nullptr) {
            return false;
        }
        const bool written = std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
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
