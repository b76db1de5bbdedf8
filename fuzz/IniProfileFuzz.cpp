// Fuzz target of the INI profile: any file text, then a few writes. The
// text of an unwritten profile is the file byte for byte; every value
// written reads back as written (on one line, trimmed, cut to the limit),
// also from the file the batch would write; every other key of the file
// reads the same as before; writing the same values again changes nothing.
//
// Input: the number of writes (low 3 bits), each write as three texts
// (section, key, value: a length byte, then the bytes), then the file text.

#include "fuzz/FuzzInput.h"
#include "platform/IniProfile.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <unistd.h>

namespace {

struct Write {
    std::string section, key, value;
};

std::string Trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return std::string(s);
}

std::string Lower(std::string s) {
    for (char& c : s) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return s;
}

// What a read gives for a written value.
std::string ReadsAs(std::string value) {
    std::replace_if(
        value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; },
        ' ');
    return Trimmed(value).substr(0, platform::kProfileValueLimit);
}

platform::ProfileBatch Load(const std::string& text) {
    static const std::string path =
        std::string(getenv("TMPDIR") != nullptr ? getenv("TMPDIR") : "/tmp") + "/orvane-fuzz-" +
        std::to_string(getpid()) + ".ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(text.data(), static_cast<long>(text.size()));
    return platform::ProfileBatch(path);
}

constexpr const char* kMissing = "\x01missing";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    std::vector<Write> writes(in.Byte() & 7);
    for (Write& w : writes) {
        w.section = in.Text();
        w.key = in.Text();
        w.value = in.Text();
    }
    const std::string original(in.Rest());

    platform::ProfileBatch before = Load(original);
    FUZZ_CHECK(before.Readable());
    FUZZ_CHECK(before.Text() == original);

    // Names to look at: those written and those that look like names in the file.
    std::set<std::string> sections, keys;
    for (const Write& w : writes) {
        sections.insert(w.section);
        keys.insert(w.key);
    }
    for (std::size_t at = 0; at < original.size() && sections.size() + keys.size() < 40;) {
        const std::size_t end = std::min(original.find_first_of("\r\n", at), original.size());
        const std::string_view line = std::string_view(original).substr(at, end - at);
        if (const auto open = line.find('['); open != std::string_view::npos) {
            sections.insert(Trimmed(line.substr(open + 1, line.find(']') - open - 1)));
        }
        if (const auto equals = line.find('='); equals != std::string_view::npos) {
            keys.insert(Trimmed(line.substr(0, equals)));
        }
        at = end + 1;
    }

    platform::ProfileBatch batch = Load(original);
    std::map<std::pair<std::string, std::string>, const Write*> written;
    for (const Write& w : writes) {
        if (!batch.Write(w.section, w.key, w.value)) {
            continue;
        }
        FUZZ_CHECK(batch.GetString(w.section, w.key, kMissing) == ReadsAs(w.value));
        written[{Lower(w.section), Lower(w.key)}] = &w;
    }

    platform::ProfileBatch after = Load(batch.Text());
    FUZZ_CHECK(after.Text() == batch.Text());
    for (const std::string& section : sections) {
        for (const std::string& key : keys) {
            const auto w = written.find({Lower(section), Lower(key)});
            const std::string read = after.GetString(section, key, kMissing);
            if (w != written.end()) {
                FUZZ_CHECK(read == ReadsAs(w->second->value));
            } else {
                FUZZ_CHECK(read == before.GetString(section, key, kMissing));
            }
        }
    }
    for (const auto& [name, w] : written) {
        after.Write(w->section, w->key, w->value);
    }
    FUZZ_CHECK(!after.Changed());
    return 0;
}
