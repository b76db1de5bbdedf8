#pragma once
// The terminal's byte rules, free of any window: the printer filters, the
// hexadecimal dump, CR to CR LF, the receive step that turns a chunk of
// received bytes into display text (which is also what a capture file gets),
// and the text box's contents with their 20000/2000 rule.
//
// Text here is in the single-byte code page of the line: one byte, one
// character. What the view shows is made from it by ViewText.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace terminal {

// Item data of the printer list (equal to its list index).
enum PrinterType : int {
    kPrinterNone = 0,
    kPrinterEpsonTM267 = 1,
    kPrinterEpsonTM267II = 2,
    kPrinterIthica = 3,
    kPrinterCitizenIDP3535 = 4,
    kPrinterCitizenIDP3541 = 5,
    kPrinterGeneric = 6,
};
inline constexpr int kPrinterTypeCount = 7;

// The line that stands for a paper cut, with its line end.
inline constexpr std::string_view kPaperCutLine = "---- Paper Cut ----\r\n";

// A control sequence being skipped: its bytes so far, the first one highest
// (0 = none), and how many bytes of it are still to come.
struct PrinterFilterState {
    std::uint32_t EscCode = 0;
    std::uint16_t EscRemaining = 0;
};

// Appends to `out` the text that stands for the received byte `b` on printer
// `printerType`, updating the sequence state. Types outside 1..6, and Ithica,
// give nothing.
void PrinterFilter(int printerType, std::uint8_t b, PrinterFilterState& state, std::string& out);

// The current line of a hexadecimal dump: bytes in it (0..15) and its
// character column so far.
struct HexDumpState {
    int HexCount = 0;
    std::string HexAscii;
};

// Appends the two digits and blank of `b`; the sixteenth byte of a line also
// appends two blanks, the character column and CR LF.
void HexDumpByte(std::uint8_t b, HexDumpState& state, std::string& out);

// The options the receive step reads for every chunk.
struct ReceiveOptions {
    bool DisplayHex = false;
    int PrinterType = kPrinterNone;
    bool CRToCRLF = false;
};

// What lasts from chunk to chunk until "Clear".
struct ReceiveState {
    PrinterFilterState Filter;
    HexDumpState Hex;
    void Clear() { *this = ReceiveState{}; }
};

// The receive step: appends to `out` the text of `bytes`, each byte by the
// first rule that applies (hex dump, printer filter, CR->CR/LF, as is). The
// result depends only on the bytes and options, not on how the bytes were
// split into chunks.
void ReceiveText(std::span<const std::uint8_t> bytes, const ReceiveOptions& options,
                 ReceiveState& state, std::string& out);

// The text box's contents. Once they hold more than kLimit characters they
// are cut to their last kKeep before the next text is appended, so they
// never hold more than kLimit plus one chunk.
//
// A view mirrors it lazily: TakeViewUpdate says what changed since the last
// call (text to append, or all of it to show instead when it was cut or
// cleared), so display updates can be batched while the contents stay exact.
class DisplayBuffer {
public:
    static constexpr std::size_t kLimit = 20000;
    static constexpr std::size_t kKeep = 2000;

    void Append(std::string_view text);
    void Clear();
    const std::string& Text() const { return text_; }

    struct ViewUpdate {
        bool Replace = false; // show Text instead of everything shown so far
        QString Text;         // otherwise append it
    };
    // What the view needs now. CRs at the very end are held back until the
    // next other character says whether they stand before a line break.
    ViewUpdate TakeViewUpdate();
    // True when TakeViewUpdate would return something.
    bool ViewBehind() const;

private:
    // End of what the view may show now: before any CRs at the very end.
    std::size_t ViewableEnd() const;

    std::string text_;
    std::size_t shown_ = 0; // characters of text_ the view shows
    bool replace_ = false;  // the view's text is no longer a prefix of text_
};

// How the view shows text, one character per byte of the Windows Western
// code page (Windows-1252):
// - LF is a line break, and CRs right before it show as nothing: CR LF,
//   CR CR LF (a printer's CR LF through the Epson filter) and a lone LF are
//   each one line break, so CR LF LF is one empty line;
// - a CR elsewhere shows as its control picture, like the other control
//   characters but TAB, so a printer's bare CR stays visible ("CR->CR/LF"
//   turns those into line breaks);
// - bytes the code page leaves undefined show as the replacement character.
// Capture files get the text itself, not this.
QString ViewText(std::string_view text);

// The bytes that typed text goes out as on the line: each character in the
// code page ViewText shows received bytes in, "?" for a character that code
// page has no byte for ("€" is 0x80).
QByteArray LineBytes(QStringView text);

// What a key press types on the line: its text in that code page, a
// control character for Ctrl with a letter; nothing for keys that move
// around (Tab, Backtab) or are commands (with Alt or Meta).
QByteArray TypedKeyBytes(int key, Qt::KeyboardModifiers modifiers, QStringView text);

} // namespace terminal
