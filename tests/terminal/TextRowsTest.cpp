// Rows of a wrapped text with one unit per character and tab stops every
// eight: where rows break, that appending wraps as the whole text does, and
// that offsets, rows and x positions agree.
#include "terminal/TextRows.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>

using terminal::TextRows;
using terminal::TextSelection;

namespace {

qreal Advance(QChar c, qreal x) {
    return c == u'\t' ? (std::floor(x / 8) + 1) * 8 - x : 1;
}

QStringList RowTexts(const TextRows& rows, const QString& text) {
    QStringList texts;
    for (int r = 0; r < rows.Count(); ++r) {
        texts << text.mid(rows[r].start, rows[r].length);
    }
    return texts;
}

TEST(TextRows, WrapAtBlanksOrInLongWordsAndAppendAlike) {
    const struct {
        const char16_t* text;
        QStringList rows;
    } cases[] = {
        {u"", {""}},
        {u"aaaaaaaaaa", {"aaaaaaaaaa"}},             // exactly the width
        {u"aaaaaaaa bbbb", {"aaaaaaaa ", "bbbb"}},   // the word moves down
        {u"aaaaaaaaa   bb", {"aaaaaaaaa   ", "bb"}}, // blanks hang past the edge
        {u"xxxxxxxxxxxxxxxxxxxxxxx", {"xxxxxxxxxx", "xxxxxxxxxx", "xxx"}},
        {u"ab cdefghijklmn", {"ab ", "cdefghijkl", "mn"}}, // a long word after a short
        {u"a\n\nb\n", {"a", "", "b", ""}},                 // line ends belong to no row
        {u"\tab\tcd", {"\tab\t", "cd"}},                   // a tab reaches the next stop
        {u"aaaaaaaaaaa\nb", {"aaaaaaaaaa", "a", "b"}},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        SCOPED_TRACE(text.toStdString());
        TextRows whole;
        whole.Wrap(text, 0, 10, Advance);
        EXPECT_EQ(RowTexts(whole, text), c.rows);

        TextRows appended;
        QString sofar;
        for (const QChar ch : text) {
            sofar += ch;
            appended.Wrap(sofar, appended.Count() - 1, 10, Advance);
        }
        EXPECT_EQ(RowTexts(appended, text), c.rows);

        for (int offset = 0; offset <= text.size(); ++offset) {
            const int row = whole.RowOf(offset);
            ASSERT_GE(offset, whole[row].start) << offset;
            ASSERT_LE(offset, whole[row].End()) << offset;
            const qreal x = whole.XOf(text, row, offset, Advance);
            EXPECT_EQ(whole.OffsetInRow(text, row, x, Advance), offset) << offset;
        }
    }
}

TEST(TextRows, ClicksLandOnTheNearerSideOfACharacter) {
    const QString text = "ab\tc";
    TextRows rows;
    rows.Wrap(text, 0, 100, Advance);
    const struct {
        qreal x;
        int offset;
    } cases[] = {{-3, 0}, {0.4, 0}, {0.6, 1}, {1.9, 2}, {4.9, 2}, {5.1, 3}, {8.6, 4}, {50, 4}};
    for (const auto& c : cases) {
        EXPECT_EQ(rows.OffsetInRow(text, 0, c.x, Advance), c.offset) << c.x;
    }
}

TEST(TextRows, WordsAndSelections) {
    const QString text = "one two\nthree  four";
    const struct {
        int offset;
        int start;
        int end;
    } words[] = {{0, 0, 3},  {2, 0, 3},    {3, 0, 3},    {5, 4, 7},  {7, 4, 7},
                 {8, 8, 13}, {14, 14, 14}, {19, 15, 19}, {-5, 0, 3}, {99, 15, 19}};
    for (const auto& w : words) {
        EXPECT_EQ(TextRows::WordAt(text, w.offset), std::make_pair(w.start, w.end)) << w.offset;
    }

    TextSelection selection;
    selection.Set(12, 2, static_cast<int>(text.size()));
    EXPECT_EQ(selection.Of(text), "e two\nthre");
    selection.Set(-4, 40, static_cast<int>(text.size()));
    EXPECT_EQ(selection.Of(text), text);
    selection.Set(6, 6, static_cast<int>(text.size()));
    EXPECT_FALSE(selection.Any());
    EXPECT_EQ(selection.Of(text), "");
}

} // namespace
