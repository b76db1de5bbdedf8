// The terminal's text box: rows wrap with the font's widths, text is
// selected by mouse and keyboard and copied (also across the 20000/2000
// cut), appending follows the end, and assistive technology reads the text.
#include "terminal/TerminalView.h"

#include "terminal/TerminalCore.h"

#include <QAccessible>
#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using terminal::DisplayBuffer;
using terminal::TerminalView;

namespace {

class View : public ::testing::Test {
protected:
    TerminalView view;
    int columns = 0; // characters that fit a row

    void SetUp() override {
        QFont font("monospace");
        font.setStyleHint(QFont::Monospace);
        view.setFont(font);
        view.resize(300, 200);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        const qreal advance = QFontMetricsF(view.font(), view.viewport()).horizontalAdvance('x');
        columns = static_cast<int>((view.viewport()->width() - 8) / advance);
        ASSERT_GT(columns, 10);
    }
    int Top(int offset) const { return view.CharacterRect(offset).top(); }
    int Left(int offset) const { return view.CharacterRect(offset).left(); }
    QPoint At(int offset) const { return view.CharacterRect(offset).center(); }
};

// The rows' rules are checked in TextRowsTest; here, that the view wraps
// with its font's widths.
TEST_F(View, WrapsAtWordBoundariesOrAnywhereInALongWord) {
    // A word that would cross the edge starts the next row; the blank
    // before it stays on the first.
    const QString first(columns - 2, 'a');
    view.SetText(first + " bbbb\n" + QString(columns + 3, 'x'));
    const int b = columns - 1;
    EXPECT_EQ(Top(b - 1), Top(0));
    EXPECT_GT(Top(b), Top(0));
    EXPECT_EQ(Left(b), Left(0));
    // The word that fits no row breaks where the row ends.
    const int x = b + 5;
    EXPECT_EQ(Top(x + columns - 1), Top(x));
    EXPECT_GT(Top(x + columns), Top(x));
    EXPECT_EQ(Left(x + columns), Left(x));
}

TEST_F(View, SelectsByMouseKeyboardAndAssistiveTechnologyAndCopies) {
    view.SetText("alpha beta\ngamma");
    view.setFocus();
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, At(1));
    QTest::mouseMove(view.viewport(), At(8));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, At(8));
    EXPECT_EQ(view.SelectedText(), "lpha be");
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, At(13));
    EXPECT_EQ(view.SelectedText(), "gamma");

    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_FALSE(view.HasSelection());
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectedText(), "alpha beta\ng");
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "alpha beta\ng");
    QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectedText(), "alpha beta\ngamma");

    // New text moves the caret to the end with nothing selected, in sight.
    view.AppendText(QString("\nmore").repeated(50));
    EXPECT_FALSE(view.HasSelection());
    EXPECT_EQ(view.CaretPosition(), view.Text().size());
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    EXPECT_GT(view.verticalScrollBar()->maximum(), 0);

    // Assistive technology reads the text and the selection.
    view.setAccessibleName("Received text");
    view.SetText("one\ntwo");
    view.Select(4, 7);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Received text");
    EXPECT_EQ(accessible->text(QAccessible::Value), "one\ntwo");
    EXPECT_TRUE(accessible->state().readOnly);
    QAccessibleTextInterface* text = accessible->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 7);
    EXPECT_EQ(text->text(0, 3), "one");
    int start = -1;
    int end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 4);
    EXPECT_EQ(end, 7);
    EXPECT_EQ(text->offsetAtPoint(view.viewport()->mapToGlobal(At(5))), 5);
}

// Fed as the window feeds it, across the cut to the last 2000 characters:
// the view shows what the buffer holds, a selection made before the cut does
// not outlive it (its offsets would point into other text), and what is
// copied afterwards is the text shown.
TEST_F(View, SelectionAndCopyAcrossTheCut) {
    for (const std::size_t piece :
         {std::size_t{700}, DisplayBuffer::kKeep, DisplayBuffer::kLimit}) {
        SCOPED_TRACE(piece);
        DisplayBuffer display;
        view.Clear();
        // Lines longer than a row, so that they wrap at their blanks.
        std::string lines;
        for (int n = 0; lines.size() < 60000; ++n) {
            lines +=
                "ticket " + std::to_string(n) + " " + std::string(columns - 6, 'x') + " paid\r\n";
        }
        const auto shown = [&] { return terminal::ViewText(display.Text()); };
        const auto feed = [&](std::size_t& at) {
            display.Append(std::string_view(lines).substr(at, piece));
            at += piece;
            const DisplayBuffer::ViewUpdate update = display.TakeViewUpdate();
            update.Replace ? view.SetText(update.Text) : view.AppendText(update.Text);
            return update.Replace;
        };
        std::size_t at = 0;
        while (display.Text().size() + piece <= DisplayBuffer::kLimit) {
            ASSERT_FALSE(feed(at));
        }
        view.Select(5, 5 + 3 * columns);
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), shown().mid(5, 3 * columns));

        while (!feed(at)) {
        }
        EXPECT_EQ(view.Text(), shown());
        EXPECT_LE(display.Text().size(), DisplayBuffer::kKeep + piece);
        EXPECT_FALSE(view.HasSelection());
        QGuiApplication::clipboard()->setText("kept");
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");

        QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), shown());
    }
}

} // namespace
