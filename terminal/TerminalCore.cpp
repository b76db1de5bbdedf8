#include "terminal/TerminalCore.h"

#include <array>

namespace terminal {

namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kFs = 0x1C;
constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;
constexpr std::string_view kCrLf = "\r\n";

void AppendChar(std::string& out, std::uint8_t b) {
    out.push_back(static_cast<char>(b));
}

// Epson TM-267 (and II): ESC or FS, then one byte that names the sequence.
// ESC c takes two more bytes, ESC i and ESC M none (ESC i is the cut); any
// other takes one more.
void EpsonFilter(std::uint8_t b, PrinterFilterState& s, std::string& out) {
    if (s.EscRemaining > 0) {
        s.EscCode = s.EscCode * 256u + b;
        if (--s.EscRemaining == 0) {
            s.EscCode = 0;
        }
        return;
    }
    if (s.EscCode != 0) {
        s.EscCode = s.EscCode * 256u + b;
        if (b == 0x63) {
            s.EscRemaining = 2;
        } else if (b == 0x69 || b == 0x4D) {
            if (s.EscCode == 0x1B69u) {
                out.append(kPaperCutLine);
            }
            s.EscCode = 0;
        } else {
            s.EscRemaining = 1;
        }
        return;
    }
    if (b == kEsc || b == kFs) {
        s.EscCode = b;
        s.EscRemaining = 0;
        return;
    }
    if (b == kLf) {
        out.append(kCrLf);
    } else {
        AppendChar(out, b);
    }
}

// Citizen iDP3535/iDP3541: every sequence is ESC and two more bytes; ESC P
// 0x00 is the cut.
void CitizenFilter(std::uint8_t b, PrinterFilterState& s, std::string& out) {
    if (s.EscRemaining > 0) {
        s.EscCode = s.EscCode * 256u + b;
        if (--s.EscRemaining == 0) {
            if (s.EscCode == 0x1B5000u) {
                out.append(kPaperCutLine);
            }
            s.EscCode = 0;
        }
        return;
    }
    if (s.EscCode != 0) {
        s.EscCode = s.EscCode * 256u + b;
        s.EscRemaining = 1;
        return;
    }
    if (b == kEsc) {
        s.EscCode = kEsc;
        s.EscRemaining = 0;
        return;
    }
    if (b == kCr || b == kLf) {
        out.append(kCrLf);
    } else if (b == 0x0E || b == 0x0F || b == 0x12 || b == 0x13) {
        // print mode switches
    } else {
        AppendChar(out, b);
    }
}

void GenericFilter(std::uint8_t b, std::string& out) {
    if (b == kEsc || b == kFs) {
        out.push_back('@');
    } else if (b == kCr || b == kLf) {
        out.append(kCrLf);
    } else {
        AppendChar(out, b);
    }
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

} // namespace

void PrinterFilter(int printerType, std::uint8_t b, PrinterFilterState& state, std::string& out) {
    switch (printerType) {
    case kPrinterEpsonTM267:
    case kPrinterEpsonTM267II:
        EpsonFilter(b, state, out);
        break;
    case kPrinterCitizenIDP3535:
    case kPrinterCitizenIDP3541:
        CitizenFilter(b, state, out);
        break;
    case kPrinterGeneric:
        GenericFilter(b, out);
        break;
    default: // Ithica and unknown types show nothing
        break;
    }
}

void HexDumpByte(std::uint8_t b, HexDumpState& state, std::string& out) {
    out.push_back(kHexDigits[b >> 4u]);
    out.push_back(kHexDigits[b & 0x0Fu]);
    out.push_back(' ');
    state.HexAscii.push_back(b >= 32 && b <= 126 ? static_cast<char>(b) : '.');
    if (++state.HexCount == 16) {
        state.HexCount = 0;
        out.append("  ");
        out.append(state.HexAscii);
        out.append(kCrLf);
        state.HexAscii.clear();
    }
}

void ReceiveText(std::span<const std::uint8_t> bytes, const ReceiveOptions& options,
                 ReceiveState& state, std::string& out) {
    if (options.DisplayHex) {
        out.reserve(out.size() + bytes.size() * 4 + 20);
        for (const std::uint8_t b : bytes) {
            HexDumpByte(b, state.Hex, out);
        }
    } else if (options.PrinterType > kPrinterNone) {
        for (const std::uint8_t b : bytes) {
            PrinterFilter(options.PrinterType, b, state.Filter, out);
        }
    } else if (options.CRToCRLF) {
        for (const std::uint8_t b : bytes) {
            if (b == kCr) {
                out.append(kCrLf);
            } else {
                AppendChar(out, b);
            }
        }
    } else {
        out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
}

// ------------------------------------------------------------ the text box

void DisplayBuffer::Append(std::string_view text) {
    if (text_.size() > kLimit) {
        text_.erase(0, text_.size() - kKeep);
        replace_ = true;
        shown_ = 0;
    }
    text_.append(text);
}

void DisplayBuffer::Clear() {
    text_.clear();
    replace_ = true;
    shown_ = 0;
}

std::size_t DisplayBuffer::ViewableEnd() const {
    // CRs at the very end may still turn out to stand before a line break.
    std::size_t end = text_.size();
    while (end > shown_ && text_[end - 1] == '\r') {
        --end;
    }
    return end;
}

bool DisplayBuffer::ViewBehind() const {
    return replace_ || ViewableEnd() > shown_;
}

DisplayBuffer::ViewUpdate DisplayBuffer::TakeViewUpdate() {
    ViewUpdate update;
    update.Replace = replace_;
    const std::size_t end = ViewableEnd();
    update.Text = ViewText(std::string_view(text_).substr(shown_, end - shown_));
    shown_ = end;
    replace_ = false;
    return update;
}

namespace {

// The characters of bytes 0x80..0x9F in the Windows Western code page; the
// five it leaves undefined show as the replacement character.
constexpr std::array<char16_t, 32> kHighControls{
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

struct CharTable {
    std::array<char16_t, 256> chars{};
    constexpr CharTable() {
        for (int b = 0; b < 256; ++b) {
            chars[b] = static_cast<char16_t>(b);
        }
        for (int b = 0; b < 32; ++b) {
            chars[b] = static_cast<char16_t>(0x2400 + b); // control pictures
        }
        chars[0x09] = u'\t';
        chars[0x7F] = 0x2421;
        for (int b = 0; b < 32; ++b) {
            chars[0x80 + b] = kHighControls[b];
        }
    }
};
constexpr CharTable kChars;

} // namespace

QString ViewText(std::string_view text) {
    QString view(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* to = view.data();
    qsizetype n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        if (b == kLf) {
            to[n++] = QChar(u'\n');
        } else if (b == kCr) {
            std::size_t end = i + 1; // past the run of CRs that starts here
            while (end < text.size() && text[end] == '\r') {
                ++end;
            }
            if (end < text.size() && text[end] == '\n') {
                to[n++] = QChar(u'\n'); // CRs before a line break show as nothing
                i = end;
            } else {
                for (; i < end; ++i) {
                    to[n++] = QChar(kChars.chars[kCr]);
                }
                --i;
            }
        } else {
            to[n++] = QChar(kChars.chars[b]);
        }
    }
    view.truncate(n);
    return view;
}

QByteArray LineBytes(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes.append(static_cast<char>(c));
            continue;
        }
        char byte = '?';
        for (std::size_t k = 0; k < kHighControls.size(); ++k) {
            if (kHighControls[k] == c && c != 0xFFFD) {
                byte = static_cast<char>(0x80 + k);
                break;
            }
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i; // one character, one "?"
        }
        bytes.append(byte);
    }
    return bytes;
}

QByteArray TypedKeyBytes(int key, Qt::KeyboardModifiers modifiers, QStringView text) {
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab ||
        (modifiers & (Qt::AltModifier | Qt::MetaModifier)) != 0) {
        return {};
    }
    if ((modifiers & Qt::ControlModifier) != 0 && key >= Qt::Key_A && key <= Qt::Key_Z) {
        return QByteArray(1, static_cast<char>(key - Qt::Key_A + 1));
    }
    return LineBytes(text);
}

} // namespace terminal
