#pragma once
// The location and disclaimer text files. A file holds the box's text with
// CR LF line ends followed by one CR LF; loading takes that last line end
// off again, so saving and loading any number of times gives back the same
// text. Files written by other editors (LF only, no final line end, an old
// 8-bit code page) load without losing a line.

#include <QString>

#include <optional>
#include <string>

namespace hostconfig {

// The bytes a save writes for `boxText` (UTF-8).
std::string TicketTextFileContents(const QString& boxText);
// The box text of a file's bytes: UTF-8 when they are valid UTF-8, else
// Latin-1; CR LF, LF and a lone CR all end a line.
QString TicketTextFromFile(const std::string& bytes);

// Writes the file through a temporary file and a rename; false on failure.
bool SaveTicketText(const std::string& fileName, const QString& boxText);
// The text of the file, or nothing when it does not exist or cannot be read.
std::optional<QString> LoadTicketText(const std::string& fileName);

} // namespace hostconfig
