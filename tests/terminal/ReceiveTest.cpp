// The receive step (hex dump, printer filter, CR->CR/LF), the text box's
// 20000/2000 rule and what the view makes of the text.
#include "terminal/TerminalCore.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <string>
#include <vector>

using namespace terminal;

namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::string Receive(std::string_view bytes, const ReceiveOptions& options, ReceiveState& state) {
    std::string out;
    const std::vector<std::uint8_t> data = Bytes(bytes);
    ReceiveText(data, options, state, out);
    return out;
}

// The hex dump, the filters and CR->CR/LF alone are checked with any bytes by
// the receive step's fuzz target; here what it cannot tell.
TEST(CrToCrLf, APrinterTypeTakesPrecedence) {
    ReceiveState state;
    EXPECT_EQ(Receive("a\r", {.PrinterType = kPrinterEpsonTM267, .CRToCRLF = true}, state), "a\r");
}

TEST(ReceiveState, ClearForgetsThePendingLineAndSequence) {
    ReceiveState state;
    Receive("abc", {.DisplayHex = true}, state);
    Receive("\x1B", {.PrinterType = kPrinterEpsonTM267}, state);
    state.Clear();
    EXPECT_EQ(Receive("i", {.PrinterType = kPrinterEpsonTM267}, state), "i");
    EXPECT_EQ(Receive(std::string(16, 'x'), {.DisplayHex = true}, state).substr(48),
              "  xxxxxxxxxxxxxxxx\r\n");
}

TEST(DisplayBuffer, CutsToTheLast2000OnlyWhenOver20000) {
    DisplayBuffer box;
    box.Append(std::string(19999, 'a'));
    box.Append("b");
    // Exactly 20000: not more than the limit, so nothing is cut.
    box.Append("cd");
    EXPECT_EQ(box.Text().size(), 20002u);
    box.Append("EF");
    ASSERT_EQ(box.Text().size(), 2002u);
    EXPECT_EQ(box.Text().substr(1996), "abcdEF");
    // A chunk larger than the limit is kept whole until the next one.
    box.Append(std::string(30000, 'z'));
    EXPECT_EQ(box.Text().size(), 32002u);
    box.Append("!");
    EXPECT_EQ(box.Text(), std::string(2000, 'z') + "!");
}

// What the view is told across the cut is checked with the view itself.
TEST(DisplayBuffer, TellsTheViewWhenItIsBehind) {
    DisplayBuffer box;
    box.Append("one\r");
    EXPECT_EQ(box.TakeViewUpdate().Text, "one"); // the CR waits for its LF
    box.Append("\r");
    EXPECT_FALSE(box.ViewBehind()); // so does a second one
    box.Append("\ntwo");
    EXPECT_TRUE(box.ViewBehind());
    EXPECT_EQ(box.TakeViewUpdate().Text, "\ntwo");
    EXPECT_FALSE(box.ViewBehind());
    box.Clear();
    EXPECT_TRUE(box.ViewBehind());
    const DisplayBuffer::ViewUpdate update = box.TakeViewUpdate();
    EXPECT_TRUE(update.Replace);
    EXPECT_EQ(update.Text, "");
}

TEST(ViewText, BreaksAtLfWithTheCrsBeforeItAndShowsOtherControls) {
    const struct {
        std::string_view text;
        const char16_t* shown;
    } cases[] = {
        {"a\r\nb", u"a\nb"},
        {"a\r\r\nb", u"a\nb"},                 // a printer's CR LF through the Epson filter
        {"a\r\n\nb", u"a\n\nb"},               // CR LF with CR->CR/LF: one empty line
        {"a\nb\r\r\r\n", u"a\nb\n"},           // a lone LF, and any run of CRs before one
        {"a\rb\r\r", u"a\u240Db\u240D\u240D"}, // CRs before no line break stay visible
        {"\r\r\n\r", u"\n\u240D"},
        {std::string_view("\0\t\x1B\x7F", 4), u"\u2400\t\u241B\u2421"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        EXPECT_EQ(ViewText(c.text), QString::fromUtf16(c.shown));
    }
}

// Every printable byte shows as the C library's Windows-1252 has it, and
// a byte that code page leaves undefined as the replacement character.
TEST(ViewText, ShowsEachByteAsTheWindowsWesternCodePage) {
    const iconv_t cp1252 = iconv_open("UTF-16LE", "WINDOWS-1252");
    ASSERT_NE(cp1252, reinterpret_cast<iconv_t>(-1));
    for (int b = 0x20; b < 0x100; ++b) {
        if (b == 0x7F) {
            continue; // DEL is a control, shown as its picture
        }
        char in = static_cast<char>(b);
        char16_t out = 0;
        char* from = &in;
        char* to = reinterpret_cast<char*>(&out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        const bool defined = iconv(cp1252, &from, &inLeft, &to, &outLeft) != std::size_t(-1);
        EXPECT_EQ(ViewText(std::string(1, in)), QString(QChar(defined ? out : u'\uFFFD')))
            << "byte " << b;
    }
    iconv_close(cp1252);
}

// Typed text goes out in the code page the view shows: what is sent shows
// as what was typed.
TEST(LineBytes, UseTheDisplaysCodePage) {
    EXPECT_EQ(LineBytes(u"A\r\x1B"), QByteArray("A\r\x1B"));
    EXPECT_EQ(LineBytes(u"\u20AC caf\u00E9 \u2122"), QByteArray("\x80 caf\xE9 \x99"));
    // No byte for these: the replacement character, a C1 control, Cyrillic,
    // and a character outside the basic plane (one "?" for its pair).
    EXPECT_EQ(LineBytes(u"\uFFFD\u0081\u0416\U0001F600x"), QByteArray("????x"));
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const QByteArray back = LineBytes(ViewText(all));
    for (int b = 0x20; b < 256; ++b) {
        const bool undefined =
            b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        if (!undefined) {
            EXPECT_EQ(static_cast<std::uint8_t>(back[b]), b);
        }
    }
}

// Keys type their text, Ctrl with a letter its control character; Tab and
// keys with Alt or Meta type nothing.
TEST(TypedKeyBytes, TextControlLettersAndCommands) {
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char16_t* text;
        QByteArray bytes;
    } cases[] = {
        {Qt::Key_A, Qt::NoModifier, u"a", "a"},
        {Qt::Key_A, Qt::ControlModifier, u"\x01", "\x01"},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, u"", "\x1A"},
        {Qt::Key_1, Qt::ControlModifier, u"1", "1"},
        {Qt::Key_E, Qt::AltModifier, u"e", ""},
        {Qt::Key_E, Qt::MetaModifier, u"e", ""},
        {Qt::Key_Tab, Qt::NoModifier, u"\t", ""},
        {Qt::Key_Backtab, Qt::ShiftModifier, u"", ""},
        {Qt::Key_Return, Qt::NoModifier, u"\r", "\r"},
        {0x20AC, Qt::NoModifier, u"\u20AC", "\x80"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(TypedKeyBytes(c.key, c.modifiers, c.text), c.bytes);
    }
}

} // namespace
