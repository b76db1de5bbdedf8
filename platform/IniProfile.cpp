#include "platform/IniProfile.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kCr = "\r";
constexpr std::string_view kLf = "\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string Lower(std::string_view s) {
    std::string lower(s);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

// A section or key name that reads back as itself: not empty, on one line,
// not taken for a comment or a section header.
bool IsName(std::string_view name) {
    return !TrimView(name).empty() && TrimView(name) == name &&
           name.find_first_of(std::string_view("\r\n]\0", 4)) == std::string_view::npos &&
           name.front() != ';' && name.front() != '#' && name.front() != '[';
}

bool WritableName(const std::string& section, const std::string& key) {
    return IsName(section) && IsName(key) && key.find('=') == std::string::npos;
}

// The name of a "[section]" line.
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

// The value of a "key=value" line as a read returns it.
std::string_view ValueOf(std::string_view line) {
    std::string_view value = line.substr(line.find('=') + 1);
    value = value.substr(0, value.find('\0'));
    return TrimView(value);
}

// A value as one line: a line break in it would start a line of its own (a
// key, or a whole section) when the file is read back, and a NUL would end
// it early.
std::string OneLine(const std::string& value) {
    std::string oneLine = value;
    std::replace_if(
        oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; },
        ' ');
    return oneLine;
}

long LeadingInteger(std::string_view text, long defaultValue) {
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
    return static_cast<long>(negative ? -value : value);
}

struct Line {
    std::string text;     // without its line end
    std::string_view end; // "\n", "\r\n", "\r", or "" for a last line without one
};

// One appearance of a section: its header line and the lines up to the next
// header. The lines before the first header form a section without header.
struct Section {
    std::optional<Line> header;
    std::vector<Line> lines;
    // Lower-case key -> indexes of its entries in `lines`.
    std::unordered_map<std::string, std::vector<std::size_t>> keys;
    // Index after the last entry (0: right after the header). Only comments
    // and other non-entries follow it, so inserting there moves no entry.
    std::size_t entriesEnd = 0;
};

// The file as lines, indexed by section and key.
class Profile {
public:
    explicit Profile(std::string_view data) {
        if (data.starts_with(kByteOrderMark)) {
            bom_ = kByteOrderMark;
            data.remove_prefix(kByteOrderMark.size());
        }
        sections_.emplace_back();
        for (std::size_t start = 0; start < data.size();) {
            const std::size_t stop = data.find_first_of("\r\n", start);
            Line line;
            std::size_t next = data.size();
            if (stop == std::string_view::npos) {
                line.text = data.substr(start);
            } else {
                line.text = data.substr(start, stop - start);
                const bool crlf =
                    data[stop] == '\r' && stop + 1 < data.size() && data[stop + 1] == '\n';
                line.end = crlf ? kCrLf : data[stop] == '\r' ? kCr : kLf;
                next = stop + line.end.size();
            }
            if (newline_.empty()) {
                newline_ = line.end;
            }
            Add(std::move(line));
            start = next;
        }
        if (newline_.empty()) {
            newline_ = kLf;
        }
    }

    std::optional<std::string_view> Find(const std::string& section, const std::string& key) const {
        const auto named = byName_.find(Lower(section));
        if (named == byName_.end()) {
            return std::nullopt;
        }
        const std::string lowerKey = Lower(key);
        for (const std::size_t s : named->second) {
            const Section& sec = sections_[s];
            if (const auto entry = sec.keys.find(lowerKey); entry != sec.keys.end()) {
                return ValueOf(sec.lines[entry->second.front()].text);
            }
        }
        return std::nullopt;
    }

    // Sets [section] key=value; false when the text is unchanged.
    bool Set(const std::string& section, const std::string& key, const std::string& value) {
        const std::string lowerSection = Lower(section);
        const std::string lowerKey = Lower(key);
        const std::string entry = key + "=" + value;
        const auto named = byName_.find(lowerSection);
        bool found = false;
        bool changed = false;
        if (named != byName_.end()) {
            for (const std::size_t s : named->second) {
                Section& sec = sections_[s];
                const auto it = sec.keys.find(lowerKey);
                if (it == sec.keys.end()) {
                    continue;
                }
                found = true;
                for (const std::size_t i : it->second) {
                    std::string& text = sec.lines[i].text;
                    // Blanks in front of the key stay where they are.
                    std::size_t indent = 0;
                    while (indent < text.size() && IsBlank(text[indent])) {
                        ++indent;
                    }
                    std::string replaced = text.substr(0, indent) + entry;
                    if (replaced != text) {
                        text = std::move(replaced);
                        changed = true;
                    }
                }
            }
        }
        if (found) {
            return changed;
        }
        if (named != byName_.end()) {
            Section& sec = sections_[named->second.back()];
            Line& before = sec.entriesEnd == 0 ? *sec.header : sec.lines[sec.entriesEnd - 1];
            if (before.end.empty()) {
                before.end = newline_;
            }
            sec.lines.insert(sec.lines.begin() + static_cast<long>(sec.entriesEnd),
                             Line{entry, newline_});
            sec.keys[lowerKey].push_back(sec.entriesEnd);
            ++sec.entriesEnd;
            return true;
        }
        // A new section at the end, after one blank line.
        Line* last = LastLine();
        if (last != nullptr) {
            if (last->end.empty()) {
                last->end = newline_;
            }
            if (!TrimView(last->text).empty()) {
                sections_.back().lines.push_back(Line{"", newline_});
            }
        }
        Add(Line{"[" + section + "]", newline_});
        Add(Line{entry, newline_});
        return true;
    }

    std::string Text() const {
        std::size_t size = bom_.size();
        for (const Section& sec : sections_) {
            size += sec.header ? sec.header->text.size() + sec.header->end.size() : 0;
            for (const Line& line : sec.lines) {
                size += line.text.size() + line.end.size();
            }
        }
        std::string text;
        text.reserve(size);
        text += bom_;
        for (const Section& sec : sections_) {
            if (sec.header) {
                text += sec.header->text;
                text += sec.header->end;
            }
            for (const Line& line : sec.lines) {
                text += line.text;
                text += line.end;
            }
        }
        return text;
    }

private:
    // Appends a line read from the file (or a new one at the end).
    void Add(Line line) {
        if (const auto name = SectionName(line.text)) {
            byName_[Lower(*name)].push_back(sections_.size());
            Section sec;
            sec.header = std::move(line);
            sections_.push_back(std::move(sec));
            return;
        }
        Section& sec = sections_.back();
        const auto key = KeyName(line.text);
        // Entries above the first section belong to no section.
        if (key && !key->empty() && sec.header) {
            sec.keys[Lower(*key)].push_back(sec.lines.size());
            sec.entriesEnd = sec.lines.size() + 1;
        }
        sec.lines.push_back(std::move(line));
    }

    Line* LastLine() {
        for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
            if (!s->lines.empty()) {
                return &s->lines.back();
            }
            if (s->header) {
                return &*s->header;
            }
        }
        return nullptr;
    }

    std::string_view bom_;
    std::string_view newline_;
    std::vector<Section> sections_;
    std::unordered_map<std::string, std::vector<std::size_t>> byName_;
};

std::string CutToLimit(std::string_view value) {
    return std::string(value.substr(0, kProfileValueLimit));
}

} // namespace

struct ProfileBatch::State {
    explicit State(std::string name) : fileName(std::move(name)), profile(Load(fileName)) {}

    std::string Load(const std::string& name) {
        std::string data;
        readable = ReadWholeFile(name, data) != FileRead::Unreadable;
        return data;
    }

    std::string fileName;
    bool readable = true;
    bool changed = false;
    Profile profile;
    mutable std::string text;
    mutable bool textCurrent = false;
};

ProfileBatch::ProfileBatch(std::string fileName)
    : state_(std::make_unique<State>(std::move(fileName))) {}

ProfileBatch::~ProfileBatch() = default;
ProfileBatch::ProfileBatch(ProfileBatch&&) noexcept = default;
ProfileBatch& ProfileBatch::operator=(ProfileBatch&&) noexcept = default;

bool ProfileBatch::Readable() const {
    return state_->readable;
}

const std::string& ProfileBatch::FileName() const {
    return state_->fileName;
}

std::string ProfileBatch::GetString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) const {
    const auto value = state_->profile.Find(section, key);
    return CutToLimit(value ? *value : std::string_view(defaultValue));
}

long ProfileBatch::GetInt(const std::string& section, const std::string& key,
                          long defaultValue) const {
    const auto value = state_->profile.Find(section, key);
    return value ? LeadingInteger(*value, defaultValue) : defaultValue;
}

bool ProfileBatch::Write(const std::string& section, const std::string& key,
                         const std::string& value) {
    if (!WritableName(section, key)) {
        return false;
    }
    if (state_->profile.Set(section, key, OneLine(value))) {
        state_->changed = true;
        state_->textCurrent = false;
    }
    return true;
}

bool ProfileBatch::Commit() {
    if (!state_->readable) {
        return false;
    }
    if (!state_->changed) {
        return true;
    }
    if (!WriteFileAtomically(state_->fileName, Text())) {
        return false;
    }
    state_->changed = false;
    return true;
}

bool ProfileBatch::Changed() const {
    return state_->changed;
}

const std::string& ProfileBatch::Text() const {
    if (!state_->textCurrent) {
        state_->text = state_->profile.Text();
        state_->textCurrent = true;
    }
    return state_->text;
}

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& fileName) {
    return ProfileBatch(fileName).GetString(section, key, defaultValue);
}

long GetProfileInt(const std::string& section, const std::string& key, long defaultValue,
                   const std::string& fileName) {
    return ProfileBatch(fileName).GetInt(section, key, defaultValue);
}

bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& fileName) {
    ProfileBatch batch(fileName);
    return batch.Write(section, key, value) && batch.Commit();
}

std::string ProfileFileProblem(const std::string& fileName) {
    std::string text;
    switch (ReadWholeFile(fileName, text)) {
    case FileRead::Missing:
        return "no such file";
    case FileRead::Unreadable:
        return "could not be read";
    case FileRead::Read:
        break;
    }
    if (text.find_first_not_of(" \t\v\f\r\n") == std::string::npos) {
        return "is empty";
    }
    if (text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0) {
        return "is UTF-16 text";
    }
    std::string_view rest(text);
    if (rest.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        rest.remove_prefix(kByteOrderMark.size());
    }
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find_first_of("\r\n"), rest.size());
        const auto name = SectionName(rest.substr(0, end));
        if (name && IsName(*name) && std::none_of(name->begin(), name->end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x20;
            })) {
            return {};
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return "holds no [section] line";
}

} // namespace platform
