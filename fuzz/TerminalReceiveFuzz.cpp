// Fuzz target of the terminal's receive step: any bytes, in any chunks,
// with every printer filter, hex mode and CR->CR/LF. The text never depends
// on the chunks; a filter never shows a control byte it drops (ESC and FS
// on the Epson and generic printers, ESC and the print mode switches on the
// Citizen) and ends lines with CR LF where it says so; a hex dump reads back
// as the bytes; CR->CR/LF only adds an LF after each CR; the text box's view
// shows what the text box holds.
//
// Input: the options (bits 0-2 the printer, 0..7 with 7 an unknown type;
// bit 3 hex; bit 4 CR->CR/LF), a seed for the chunk sizes, then the bytes.

#include "fuzz/FuzzInput.h"
#include "terminal/TerminalCore.h"

#include <span>

namespace {

using namespace terminal;

bool Has(const std::string& text, std::string_view bytes) {
    return text.find_first_of(bytes) != std::string::npos;
}

// Every `a` in `text` is followed by `b` (`before`: every `b` follows an `a`).
bool Paired(const std::string& text, char a, char b, bool before = false) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (before ? text[i] == b && (i == 0 || text[i - 1] != a)
                   : text[i] == a && (i + 1 == text.size() || text[i + 1] != b)) {
            return false;
        }
    }
    return true;
}

int HexValue(char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The bytes of a hex dump: lines of sixteen "XX ", two blanks, the sixteen
// characters and CR LF, then the "XX " of a last, unfinished line.
bool HexDumpReadsAs(std::string_view dump, std::string_view bytes) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (at + 3 > dump.size() || HexValue(dump[at]) < 0 || HexValue(dump[at + 1]) < 0 ||
            dump[at + 2] != ' ' ||
            HexValue(dump[at]) * 16 + HexValue(dump[at + 1]) !=
                static_cast<std::uint8_t>(bytes[i])) {
            return false;
        }
        at += 3;
        if (i % 16 == 15) {
            std::string column = "  ";
            for (const char c : bytes.substr(i - 15, 16)) {
                column += c >= 32 && c <= 126 ? c : '.';
            }
            if (dump.substr(at, 20) != column + "\r\n") {
                return false;
            }
            at += 20;
        }
    }
    return at == dump.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t flags = in.Byte();
    std::uint32_t seed = in.Byte() | 1u;
    const std::string_view bytes = in.Rest();
    const auto* first = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const ReceiveOptions options{(flags & 8) != 0, flags & 7, (flags & 16) != 0};

    ReceiveState whole;
    std::string text;
    ReceiveText(std::span(first, bytes.size()), options, whole, text);

    ReceiveState state;
    std::string chunked;
    DisplayBuffer box;
    QString view;
    for (std::size_t at = 0; at < bytes.size();) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t n = std::min<std::size_t>(seed >> 16 & 31, bytes.size() - at);
        std::string piece;
        ReceiveText(std::span(first + at, n), options, state, piece);
        chunked += piece;
        box.Append(piece);
        if (seed & 0x8000) {
            const DisplayBuffer::ViewUpdate update = box.TakeViewUpdate();
            view = update.Replace ? update.Text : view + update.Text;
        }
        at += n;
    }
    FUZZ_CHECK(chunked == text);
    const DisplayBuffer::ViewUpdate update = box.TakeViewUpdate();
    view = update.Replace ? update.Text : view + update.Text;
    std::string_view shown = box.Text();
    while (shown.ends_with('\r')) {
        shown.remove_suffix(1);
    }
    FUZZ_CHECK(view == ViewText(shown));

    if (options.DisplayHex) {
        FUZZ_CHECK(HexDumpReadsAs(text, bytes));
        return 0;
    }
    switch (options.PrinterType) {
    case kPrinterNone:
        if (options.CRToCRLF) {
            FUZZ_CHECK(Paired(text, '\r', '\n'));
            std::string back;
            for (std::size_t i = 0; i < text.size(); ++i) {
                back += text[i];
                i += text[i] == '\r' ? 1 : 0; // the LF added after it
            }
            FUZZ_CHECK(back == bytes);
        } else {
            FUZZ_CHECK(text == bytes);
        }
        break;
    case kPrinterEpsonTM267:
    case kPrinterEpsonTM267II:
        FUZZ_CHECK(!Has(text, "\x1B\x1C"));
        FUZZ_CHECK(Paired(text, '\r', '\n', true));
        break;
    case kPrinterCitizenIDP3535:
    case kPrinterCitizenIDP3541:
        FUZZ_CHECK(!Has(text, "\x1B\x0E\x0F\x12\x13"));
        FUZZ_CHECK(Paired(text, '\r', '\n') && Paired(text, '\r', '\n', true));
        break;
    case kPrinterGeneric:
        FUZZ_CHECK(!Has(text, "\x1B\x1C"));
        FUZZ_CHECK(Paired(text, '\r', '\n') && Paired(text, '\r', '\n', true));
        FUZZ_CHECK(text.size() >= bytes.size());
        break;
    default: // Ithica and unknown types show nothing
        FUZZ_CHECK(text.empty());
        break;
    }
    return 0;
}
