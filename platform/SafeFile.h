#pragma once
// Reading and replacing the files the operator keeps.
//
// File names are held as the bytes the operating system sees. Every file
// operation turns them into Qt's form with QFile::decodeName and every name
// that goes back into a file (Settings.ini) with QFile::encodeName, so a
// file is read and written under one and the same name. A name that does
// not survive that conversion (bytes that are not valid in the file name
// encoding) is never used: it could lead to another file than the one meant.
//
// A file is replaced whole through QSaveFile: a uniquely named temporary
// file, created exclusively in the same folder, written and synced, then
// renamed over the old one. A symlink is followed (its target is replaced)
// and the file's permissions are kept. A crash or a failed write leaves the
// old file as it was.

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace platform {

// Qt's name for the file whose name is `bytes`; nothing when the bytes are
// empty or do not come back unchanged from the file name encoding.
std::optional<QString> QtFileName(const std::string& bytes);
// The bytes of a file name chosen in Qt (a dialog, the command line).
std::string FileNameBytes(const QString& name);

// Files larger than this are not read as settings or texts.
inline constexpr qint64 kLargestReadableFile = 64 * 1024 * 1024;

enum class FileRead {
    Read,      // `contents` holds the whole file
    Missing,   // no file of that name (nothing to lose by creating it)
    Unreadable // there, but not a readable regular file: never rewrite it
};
// The whole of `fileName` into `contents` (emptied unless Read).
FileRead ReadWholeFile(const std::string& fileName, std::string& contents);

// Whether `fileName` may be replaced whole: a regular file (through any
// symlinks) or a name nothing has yet. A folder, a device node, a FIFO, a
// socket or a symlink to nowhere is not: replacing it by a regular file
// would destroy it while the write seemed to succeed.
bool Replaceable(const std::string& fileName);

// Replaces `fileName` with `contents` through QSaveFile. False when the file
// could not be written or is not Replaceable; the old file is then unchanged.
bool WriteFileAtomically(const std::string& fileName, const std::string& contents);
bool WriteFileAtomically(const std::string& fileName, std::span<const std::uint8_t> contents);

// Two names that lead to the same file (links resolved); false when either
// name is unusable or names no existing file and the names differ.
bool SameFile(const std::string& a, const std::string& b);

// Tests make the next replace of `fileName` (of any file when empty) fail
// as a crash or a full disk would.
enum class SaveFault {
    None,
    HalfWay, // the write stops after half of the bytes
    AtSync,  // everything is written, syncing it to the disk fails
    AtRename // everything is written and synced, the final rename fails
};
void SetSaveFaultForTesting(SaveFault fault, const std::string& fileName = {});

} // namespace platform
