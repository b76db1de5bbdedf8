#pragma once
// INI profile access with the semantics of the Windows profile calls:
// sections and keys are case-insensitive, everything else in the file is
// kept, values are written as key=value without spaces and without a
// byte-order mark. Every write rewrites the file through a temporary file
// and a rename, so a crash never leaves half a file.

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

// Many profile reads and writes on one file with the semantics of the calls
// above, but the file is read once and replaced once: use it for every save
// of several keys (a window's section, a node table), so that a crash leaves
// either all of them or none changed.
class ProfileBatch {
public:
    // Reads `fileName`; a missing file is an empty profile.
    explicit ProfileBatch(std::string fileName);
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

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Writes `contents` to `fileName` through a temporary file and a rename.
bool WriteFileAtomically(const std::string& fileName, const std::string& contents);

} // namespace platform
