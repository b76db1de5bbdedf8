#pragma once
// Rows of a wrapped text and a selection in it, free of any widget: where
// each visual row starts and ends, which row holds an offset, where in a
// row a given x falls. Rows wrap at word boundaries, or anywhere in a word
// longer than the row; blanks at a break hang past the edge; '\n' ends a
// row and belongs to none.
//
// Widths come from an advance function `qreal advance(QChar c, qreal x)`
// (x is where the character starts in its row, for tab stops), so the same
// rows serve any font.

#include <QString>

#include <algorithm>
#include <utility>
#include <vector>

namespace terminal {

class TextRows {
public:
    // One visual row: a stretch of the text without its line end.
    struct Row {
        int start = 0;
        int length = 0;
        int End() const { return start + length; }
    };

    static bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

    int Count() const { return static_cast<int>(rows_.size()); }
    const Row& operator[](int row) const { return rows_[static_cast<std::size_t>(row)]; }

    // Wraps `text` at `width` again from the start of row `from` on (row 0
    // for all of it; the last row after an append at the end).
    template <class Advance> void Wrap(const QString& text, int from, qreal width, Advance advance);

    // The row holding `offset` (a line end belongs to the row before it).
    int RowOf(int offset) const;
    // Where `offset` starts in its row `row`.
    template <class Advance>
    qreal XOf(const QString& text, int row, int offset, Advance advance) const;
    // The offset in row `row` nearest to `x`: before a character when `x`
    // is in its first half.
    template <class Advance>
    int OffsetInRow(const QString& text, int row, qreal x, Advance advance) const;

    // The word around `offset`: the characters that are neither blank nor
    // a line end, as [start, end).
    static std::pair<int, int> WordAt(const QString& text, int offset);

private:
    std::vector<Row> rows_{Row{}};
};

// A selection as offsets into a text: from the anchor (where it started) to
// the caret (where it ends), in either order.
struct TextSelection {
    int anchor = 0;
    int caret = 0;

    bool Any() const { return anchor != caret; }
    int Start() const { return std::min(anchor, caret); }
    int End() const { return std::max(anchor, caret); }
    QString Of(const QString& text) const { return text.mid(Start(), End() - Start()); }
    // Sets both ends, clamped to a text of `size` characters.
    void Set(int newAnchor, int newCaret, int size) {
        anchor = std::clamp(newAnchor, 0, size);
        caret = std::clamp(newCaret, 0, size);
    }
};

template <class Advance>
void TextRows::Wrap(const QString& text, int from, qreal width, Advance advance) {
    from = std::clamp(from, 0, Count() - 1);
    int pos = rows_[static_cast<std::size_t>(from)].start;
    rows_.resize(static_cast<std::size_t>(from));
    const int end = static_cast<int>(text.size());
    const QChar* chars = text.constData();
    for (;;) {
        qreal x = 0;
        int i = pos;
        int afterBlank = -1; // where the row may break: after its last blank
        while (i < end && chars[i] != u'\n') {
            const qreal step = advance(chars[i], x);
            if (IsBlank(chars[i])) {
                afterBlank = i + 1;
            } else if (x + step > width && i > pos) {
                break;
            }
            x += step;
            ++i;
        }
        if (i < end && chars[i] != u'\n') {
            const int rowEnd = afterBlank > pos ? afterBlank : i;
            rows_.push_back({pos, rowEnd - pos});
            pos = rowEnd;
            continue;
        }
        rows_.push_back({pos, i - pos});
        if (i >= end) {
            break;
        }
        pos = i + 1;
    }
}

template <class Advance>
qreal TextRows::XOf(const QString& text, int row, int offset, Advance advance) const {
    const Row& r = (*this)[row];
    qreal x = 0;
    for (int i = r.start; i < std::min(offset, r.End()); ++i) {
        x += advance(text[i], x);
    }
    return x;
}

template <class Advance>
int TextRows::OffsetInRow(const QString& text, int row, qreal x, Advance advance) const {
    const Row& r = (*this)[row];
    qreal at = 0;
    for (int i = r.start; i < r.End(); ++i) {
        const qreal step = advance(text[i], at);
        if (x < at + step / 2) {
            return i;
        }
        at += step;
    }
    return r.End();
}

} // namespace terminal
