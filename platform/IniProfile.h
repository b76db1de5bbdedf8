#pragma once
// INI profile access with the semantics of the Windows profile calls:
// sections and keys are case-insensitive, everything else in the file is
// kept byte for byte, values are written as key=value without spaces and
// without a byte-order mark. Every write replaces the file whole (see
// SafeFile.h), so a crash never leaves half a file.
//
// Reads and writes see the file through one and the same reading of its
// lines, so a write never puts a value where a read does not find it:
// - LF, CR LF and a lone CR each end a line; a line added to a file gets
//   the file's first line end (LF in a new file); other lines keep theirs.
// - "[name]" (blanks allowed around the name, anything after the "]"
//   ignored) starts a section; "key=value" is an entry of the section above
//   it, key and value trimmed of blanks; lines starting with ";" or "#",
//   and anything else, are kept but mean nothing. A UTF-8 byte-order mark
//   in front of the first line is kept and skipped.
// - A section may appear more than once; a read takes the first entry of
//   the key in any of them, a write changes every entry of the key (or
//   adds one at the end of the section's last appearance).
// - A NUL byte is kept like any other byte; a value read ends before it.
// - Entries before the first section belong to no section.
// File names are the bytes the operating system sees (see SafeFile.h).

#include "platform/SafeFile.h"

#include <memory>
#include <string>

namespace platform {

// Longest value a profile read returns (the 255-byte buffer less its zero).
inline constexpr std::size_t kProfileValueLimit = 254;

// The stored value of [section] key, or `defaultValue` when the file, the
// section or the key is missing. Cut to kProfileValueLimit characters.
std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& fileName);

// Optional blanks, an optional sign, then the leading decimal digits of the
// stored value; `defaultValue` when the file, section or key is missing or
// the value is empty. A value without leading digits reads as 0.
long GetProfileInt(const std::string& section, const std::string& key, long defaultValue,
                   const std::string& fileName);

// Sets [section] key=value, creating the file or section when needed.
// Returns false when the file could not be written.
bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& fileName);

// Why `fileName` is no profile file whose values can be read, or empty when
// it is one: "no such file", "could not be read" (a folder, a device, a read
// error), "is empty", "is UTF-16 text", or "holds no [section] line" (a
// binary file, or another encoding). Reads of such a file give only
// defaults, so a caller that would send those values on refuses instead.
std::string ProfileFileProblem(const std::string& fileName);

// Many profile reads and writes on one file with the semantics of the calls
// above, but the file is read once and replaced once: use it for every save
// of several keys (a window's section, a node table), so that a crash leaves
// either all of them or none changed.
class ProfileBatch {
public:
    // Reads `fileName`; a missing file is an empty profile.
    explicit ProfileBatch(std::string fileName);
    ProfileBatch(ProfileBatch&&) noexcept;
    ProfileBatch& operator=(ProfileBatch&&) noexcept;
    ~ProfileBatch();
    ProfileBatch(const ProfileBatch&) = delete;
    ProfileBatch& operator=(const ProfileBatch&) = delete;

    // False when the file is there but could not be read: reads then give
    // their defaults and Commit refuses, so the file is never rewritten.
    bool Readable() const;
    const std::string& FileName() const;

    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const;
    long GetInt(const std::string& section, const std::string& key, long defaultValue) const;
    // Sets [section] key=value in the batch; false for a name no profile
    // file can hold.
    bool Write(const std::string& section, const std::string& key, const std::string& value);
    // Replaces the file once with every write of the batch (nothing is
    // written when nothing changed). False when it could not be written.
    bool Commit();
    // Whether a write changed the text since it was read or committed.
    bool Changed() const;
    // The file's text as Commit would write it.
    const std::string& Text() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace platform
