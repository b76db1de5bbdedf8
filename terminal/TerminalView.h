#pragma once
// The terminal's text box: a read-only view of received text that is made
// for a busy line. It keeps the text as one string and its wrapped rows as
// offsets (TextRows, which also holds the rules of wrapping and selection),
// lays out only what was appended, draws only the rows in sight from glyphs
// looked up once per character (no text shaping), and scrolls by moving the
// pixels already drawn (the scroll bar follows at a few frames a second).
// What is the terminal's: text comes as a whole (SetText) or appended at the
// end, and either puts the caret at the end with nothing selected.
//
// Text is selected with the mouse (drag, double-click for a word, Shift+click
// to extend) or the keyboard (arrows, Home/End, Page Up/Down, with Shift to
// extend; Ctrl+A selects all) and copied with Ctrl+C or the context menu.
// Assistive technology reads it as a read-only multi-line text.
//
// One character per UTF-16 unit: the text it is given has no surrogate
// pairs (the terminal's text is one character per byte).

#include "terminal/TextRows.h"

#include <QAbstractScrollArea>
#include <QRawFont>
#include <QString>

#include <unordered_map>
#include <vector>

namespace terminal {

class TerminalView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TerminalView(QWidget* parent = nullptr);
    ~TerminalView() override;

    // The text shown; lines end with '\n'.
    const QString& Text() const { return text_; }
    // Shows `text` instead of everything shown so far.
    void SetText(const QString& text);
    // Appends `text` at the end.
    void AppendText(const QString& text);
    void Clear() { SetText({}); }
    // After SetText and AppendText the caret is at the end, nothing is
    // selected, and the end is in sight.

    // Selection and caret, as offsets into Text().
    int CaretPosition() const { return selection_.caret; }
    int AnchorPosition() const { return selection_.anchor; }
    bool HasSelection() const { return selection_.Any(); }
    QString SelectedText() const;
    // Selects from `anchor` to `caret` (clamped to the text) and brings the
    // caret into sight.
    void Select(int anchor, int caret);
    void SelectAll() { Select(0, static_cast<int>(text_.size())); }
    // Puts the selected text on the clipboard.
    void Copy() const;

    // Geometry, in viewport coordinates: the rectangle of the character at
    // `offset` (a narrow one at a row's end) and the offset nearest `point`.
    QRect CharacterRect(int offset) const;
    int OffsetAt(const QPoint& point) const;
    // Scrolls so that the row holding `offset` is in sight.
    void ScrollTo(int offset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // How a character is drawn: a glyph of one of fonts_, and its advance.
    struct Glyph {
        quint32 index = 0;
        int font = 0;
        qreal advance = 0;
    };

    const Glyph& GlyphOf(QChar c) const;
    qreal Advance(QChar c, qreal x) const;
    void ResetFont();
    // Wraps the text from the start of row `row` to its end.
    void LayoutFrom(int row);
    void Relayout();
    int RowOf(int offset) const { return rows_.RowOf(offset); }
    qreal XOf(int row, int offset) const;
    int OffsetInRow(int row, qreal x) const;
    int RowTop(int row) const;
    int VisibleRows() const;
    qreal WrapWidth() const;
    void UpdateScrollRange();
    void FollowEnd();
    void UpdateRows(int first, int last);
    void MoveCaret(int offset, bool extend);
    void DrawRow(class QPainter& painter, int row, int top) const;
    void TextChangedForAccessibility(bool replaced, int position, const QString& added);

    QString text_;
    TextRows rows_;
    TextSelection selection_;
    bool selecting_ = false; // a mouse drag is under way

    mutable std::vector<QRawFont> fonts_;
    mutable Glyph latin1_[256];
    mutable bool latin1Known_[256] = {};
    mutable std::unordered_map<char16_t, Glyph> otherGlyphs_;
    int rowHeight_ = 1;
    int ascent_ = 0;
    qreal tabWidth_ = 8;
    qreal laidOutWidth_ = -1;
};

} // namespace terminal
