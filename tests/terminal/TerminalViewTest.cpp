// The terminal's text box: rows wrap at word boundaries (anywhere in a word
// longer than a row), text is selected by mouse and keyboard and copied,
// appending follows the end, and assistive technology reads the text.
#include "terminal/TerminalView.h"

#include <QAccessible>
#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

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

    // Appending lays out the same as the whole text at once.
    const QString whole = view.Text();
    QList<QRect> expected;
    for (int i = 0; i <= whole.size(); ++i) {
        expected.push_back(view.CharacterRect(i));
    }
    view.Clear();
    for (int i = 0; i < whole.size(); i += 3) {
        view.AppendText(whole.mid(i, 3));
    }
    ASSERT_EQ(view.Text(), whole);
    view.verticalScrollBar()->setValue(0);
    for (int i = 0; i <= whole.size(); ++i) {
        ASSERT_EQ(view.CharacterRect(i), expected[i]) << i;
    }
}

TEST_F(View, SelectsByMouseAndKeyboardAndCopies) {
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
}

TEST_F(View, AssistiveTechnologyReadsTheText) {
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

} // namespace
