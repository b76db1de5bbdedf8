#pragma once
// The location and disclaimer text files. A file holds the box's text with
// one line end after every line, the last included; loading takes that last
// line end off again, so saving and loading any number of times gives back
// the same text. Files written by other editors (LF or CR only, no final
// line end, an old 8-bit code page, a byte-order mark) load without losing a
// line, and go back exactly as they came as long as the text is not edited.
// An edited text is saved in the form it was read in (encoding, byte-order
// mark, line ends); a text that had no file is saved as UTF-8 with CR LF.

#include "platform/SafeFile.h"

#include <QString>

#include <string>

namespace hostconfig {

// How a text file is written.
struct TicketTextForm {
    enum class Encoding { Utf8, Latin1 };
    Encoding encoding = Encoding::Utf8;
    bool byteOrderMark = false;
    std::string lineEnd = "\r\n";
    bool operator==(const TicketTextForm&) const = default;
};

// The form of a file's bytes: Latin-1 unless they are valid UTF-8, the
// first line end found (CR LF when there is none).
TicketTextForm TicketTextFormOf(const std::string& bytes);

// The bytes a save writes for `boxText`. A character that `form`'s encoding
// cannot hold makes the whole file UTF-8, so nothing typed is lost.
std::string TicketTextFileContents(const QString& boxText, const TicketTextForm& form = {});
// The box text of a file's bytes: UTF-8 when they are valid UTF-8, else
// Latin-1; CR LF, LF and a lone CR all end a line.
QString TicketTextFromFile(const std::string& bytes);

// The text of a text box's document as typed: its raw text with paragraph
// and line separators made line feeds. Unlike the box's plain-text
// conversion it keeps every other character, a no-break space included.
QString TicketTextFromRaw(const QString& raw);

struct LoadedTicketText {
    platform::FileRead outcome = platform::FileRead::Missing;
    QString text;        // when Read
    TicketTextForm form; // when Read
    std::string bytes;   // the file as it was read
};
LoadedTicketText LoadTicketText(const std::string& fileName);

// Writes `bytes` through a temporary file and a rename, unless the file
// already holds exactly them; false on failure (the old file is then kept).
bool SaveTicketBytes(const std::string& fileName, const std::string& bytes);
bool SaveTicketText(const std::string& fileName, const QString& boxText,
                    const TicketTextForm& form = {});

} // namespace hostconfig
