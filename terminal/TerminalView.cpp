#include "terminal/TerminalView.h"

#include "terminal/TerminalTexts.h"
#include "terminal/ThrottledScrollBar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace terminal {

namespace {

// Room between the frame and the text.
constexpr int kMargin = 4;
constexpr int kTabColumns = 8;

// What assistive technology sees: a read-only multi-line text with its
// caret and selection.
class TerminalViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TerminalViewAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::EditableText) {}

    TerminalView* View() const { return static_cast<TerminalView*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            return View()->Text();
        }
        return QAccessibleWidget::text(kind);
    }

    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index == 0 && View()->HasSelection()) {
            *start = std::min(View()->AnchorPosition(), View()->CaretPosition());
            *end = std::max(View()->AnchorPosition(), View()->CaretPosition());
        }
    }
    int selectionCount() const override { return View()->HasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { View()->Select(start, end); }
    void removeSelection(int) override {
        View()->Select(View()->CaretPosition(), View()->CaretPosition());
    }
    void setSelection(int, int start, int end) override { View()->Select(start, end); }
    int cursorPosition() const override { return View()->CaretPosition(); }
    void setCursorPosition(int position) override { View()->Select(position, position); }
    QString text(int start, int end) const override {
        const QString& all = View()->Text();
        start = std::clamp(start, 0, static_cast<int>(all.size()));
        end = std::clamp(end, start, static_cast<int>(all.size()));
        return all.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(View()->Text().size()); }
    QRect characterRect(int offset) const override {
        const QRect r = View()->CharacterRect(offset);
        return QRect(View()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return View()->OffsetAt(View()->viewport()->mapFromGlobal(point));
    }
    void scrollToSubstring(int start, int) override { View()->ScrollTo(start); }
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }
};

QAccessibleInterface* AccessibleFactory(const QString& key, QObject* object) {
    if (key == QLatin1String(TerminalView::staticMetaObject.className()) && object != nullptr &&
        object->isWidgetType()) {
        return new TerminalViewAccessible(static_cast<QWidget*>(object));
    }
    return nullptr;
}

} // namespace

TerminalView::TerminalView(QWidget* parent) : QAbstractScrollArea(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(AccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBar(new ThrottledScrollBar(this));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Every pixel is painted, so scrolling can move what is drawn.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    ResetFont();
}

TerminalView::~TerminalView() = default;

// ------------------------------------------------------------------- glyphs

const TerminalView::Glyph& TerminalView::GlyphOf(QChar c) const {
    const char16_t u = c.unicode();
    Glyph* slot = nullptr;
    if (u < 256) {
        if (latin1Known_[u]) {
            return latin1_[u];
        }
        latin1Known_[u] = true;
        slot = &latin1_[u];
    } else {
        const auto known = otherGlyphs_.find(u);
        if (known != otherGlyphs_.end()) {
            return known->second;
        }
        slot = &otherGlyphs_[u];
    }
    // Laid out once, so that a character the font lacks comes from the
    // font the system falls back to, as anywhere else in the program.
    QTextLayout layout(QString(c), font(), viewport());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    Glyph glyph;
    glyph.font = -1;
    glyph.advance = QFontMetricsF(font(), viewport()).horizontalAdvance(c);
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (!runs.isEmpty() && !runs.front().glyphIndexes().isEmpty()) {
        const QRawFont raw = runs.front().rawFont();
        auto known = std::find(fonts_.begin(), fonts_.end(), raw);
        if (known == fonts_.end()) {
            fonts_.push_back(raw);
            known = fonts_.end() - 1;
        }
        glyph.font = static_cast<int>(known - fonts_.begin());
        glyph.index = runs.front().glyphIndexes().front();
        glyph.advance = raw.advancesForGlyphIndexes({glyph.index}).front().x();
    }
    *slot = glyph;
    return *slot;
}

qreal TerminalView::Advance(QChar c, qreal x) const {
    if (c == u'\t') {
        return (std::floor(x / tabWidth_) + 1) * tabWidth_ - x;
    }
    return GlyphOf(c).advance;
}

void TerminalView::ResetFont() {
    fonts_.clear();
    std::fill(std::begin(latin1Known_), std::end(latin1Known_), false);
    otherGlyphs_.clear();
    const QFontMetrics metrics(font(), viewport());
    rowHeight_ = std::max(1, metrics.lineSpacing());
    ascent_ = metrics.ascent();
    tabWidth_ = std::max<qreal>(1, kTabColumns * GlyphOf(u' ').advance);
    verticalScrollBar()->setPageStep(VisibleRows());
}

// ------------------------------------------------------------------- layout

qreal TerminalView::WrapWidth() const {
    return std::max(1, viewport()->width() - 2 * kMargin);
}

void TerminalView::LayoutFrom(int row) {
    laidOutWidth_ = WrapWidth();
    rows_.Wrap(text_, row, laidOutWidth_, [this](QChar c, qreal x) { return Advance(c, x); });
}

void TerminalView::Relayout() {
    const int value = verticalScrollBar()->value();
    const bool atEnd = value >= verticalScrollBar()->maximum();
    const int topOffset = rows_[std::min(value, rows_.Count() - 1)].start;
    LayoutFrom(0);
    UpdateScrollRange();
    if (atEnd) {
        FollowEnd();
    } else {
        verticalScrollBar()->setValue(RowOf(topOffset));
    }
    viewport()->update();
}

qreal TerminalView::XOf(int row, int offset) const {
    return rows_.XOf(text_, row, offset, [this](QChar c, qreal x) { return Advance(c, x); });
}

int TerminalView::OffsetInRow(int row, qreal x) const {
    return rows_.OffsetInRow(text_, row, x, [this](QChar c, qreal at) { return Advance(c, at); });
}

int TerminalView::RowTop(int row) const {
    return kMargin + (row - verticalScrollBar()->value()) * rowHeight_;
}

int TerminalView::VisibleRows() const {
    return std::max(1, (viewport()->height() - kMargin) / rowHeight_);
}

void TerminalView::UpdateScrollRange() {
    const int visible = VisibleRows();
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setRange(0, std::max(0, rows_.Count() - visible));
}

void TerminalView::FollowEnd() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TerminalView::UpdateRows(int first, int last) {
    const int top = std::max(0, RowTop(first));
    const int bottom = std::min(viewport()->height(), RowTop(last + 1));
    if (top < bottom) {
        viewport()->update(0, top, viewport()->width(), bottom - top);
    }
}

// --------------------------------------------------------------------- text

void TerminalView::SetText(const QString& text) {
    const QString old = QAccessible::isActive() ? text_ : QString();
    text_ = text;
    selection_ = {static_cast<int>(text_.size()), static_cast<int>(text_.size())};
    LayoutFrom(0);
    UpdateScrollRange();
    FollowEnd();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent event(this, 0, old, text_);
        QAccessible::updateAccessibility(&event);
    }
}

void TerminalView::AppendText(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    const int oldEnd = static_cast<int>(text_.size());
    const bool caretElsewhere = HasSelection() || selection_.caret != oldEnd;
    const int firstChanged = rows_.Count() - 1;
    text_ += text;
    LayoutFrom(firstChanged);
    selection_ = {static_cast<int>(text_.size()), static_cast<int>(text_.size())};
    UpdateScrollRange();
    FollowEnd(); // moves the rows already drawn
    if (caretElsewhere) {
        viewport()->update();
    } else {
        UpdateRows(firstChanged, rows_.Count() - 1);
    }
    if (QAccessible::isActive()) {
        QAccessibleTextInsertEvent event(this, oldEnd, text);
        QAccessible::updateAccessibility(&event);
    }
}

// ---------------------------------------------------------------- selection

QString TerminalView::SelectedText() const {
    return selection_.Of(text_);
}

void TerminalView::Select(int anchor, int caret) {
    selection_.Set(anchor, caret, static_cast<int>(text_.size()));
    ScrollTo(selection_.caret);
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextSelectionEvent event(this, selection_.Start(), selection_.End());
        event.setCursorPosition(selection_.caret);
        QAccessible::updateAccessibility(&event);
    }
}

void TerminalView::MoveCaret(int offset, bool extend) {
    Select(extend ? selection_.anchor : offset, offset);
}

void TerminalView::Copy() const {
    if (HasSelection()) {
        QGuiApplication::clipboard()->setText(SelectedText());
    }
}

QRect TerminalView::CharacterRect(int offset) const {
    offset = std::clamp(offset, 0, static_cast<int>(text_.size()));
    const int row = RowOf(offset);
    const qreal x = XOf(row, offset);
    const TextRows::Row& r = rows_[row];
    const qreal width = offset < r.start + r.length ? Advance(text_[offset], x) : 1;
    return QRectF(kMargin + x, RowTop(row), width, rowHeight_).toAlignedRect();
}

int TerminalView::OffsetAt(const QPoint& point) const {
    const int value = verticalScrollBar()->value();
    const int dy = point.y() - kMargin;
    const int row = value + (dy < 0 ? -1 - (-dy - 1) / rowHeight_ : dy / rowHeight_);
    return OffsetInRow(std::clamp(row, 0, rows_.Count() - 1), point.x() - kMargin);
}

void TerminalView::ScrollTo(int offset) {
    const int row = RowOf(offset);
    QScrollBar* bar = verticalScrollBar();
    if (row < bar->value()) {
        bar->setValue(row);
    } else if (row >= bar->value() + VisibleRows()) {
        bar->setValue(row - VisibleRows() + 1);
    }
}

// ------------------------------------------------------------------ drawing

void TerminalView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, palette().base());
    const int value = verticalScrollBar()->value();
    const int first = value + std::max(0, (area.top() - kMargin) / rowHeight_);
    for (int row = first; row < rows_.Count(); ++row) {
        const int top = RowTop(row);
        if (top > area.bottom()) {
            break;
        }
        DrawRow(painter, row, top);
    }
}

void TerminalView::DrawRow(QPainter& painter, int row, int top) const {
    const TextRows::Row& r = rows_[row];
    const int rowEnd = r.start + r.length;
    const int selStart = selection_.Start();
    const int selEnd = selection_.End();
    const bool selected = selStart < selEnd && selStart <= rowEnd && selEnd > r.start;
    if (selected) {
        const qreal from = XOf(row, std::max(selStart, r.start));
        qreal to = XOf(row, std::min(selEnd, rowEnd));
        if (selEnd > rowEnd) {
            to += GlyphOf(u' ').advance; // the line end is selected too
        }
        painter.fillRect(QRectF(kMargin + from, top, to - from, rowHeight_), palette().highlight());
    }

    // The row's glyphs, grouped by font and by whether they are selected.
    struct Run {
        int font;
        bool selected;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    std::vector<Run> runs;
    qreal x = 0;
    for (int i = r.start; i < rowEnd; ++i) {
        const QChar c = text_[i];
        const qreal advance = Advance(c, x);
        if (!TextRows::IsBlank(c)) {
            const Glyph& glyph = GlyphOf(c);
            if (glyph.font >= 0) {
                const bool inSelection = selected && i >= selStart && i < selEnd;
                auto run = std::find_if(runs.begin(), runs.end(), [&](const Run& run) {
                    return run.font == glyph.font && run.selected == inSelection;
                });
                if (run == runs.end()) {
                    runs.push_back({glyph.font, inSelection, {}, {}});
                    run = runs.end() - 1;
                    run->glyphs.reserve(r.length);
                    run->positions.reserve(r.length);
                }
                run->glyphs.push_back(glyph.index);
                run->positions.push_back(QPointF(x, 0));
            }
        }
        x += advance;
    }
    for (const Run& run : runs) {
        QGlyphRun glyphs;
        glyphs.setRawFont(fonts_[run.font]);
        glyphs.setGlyphIndexes(run.glyphs);
        glyphs.setPositions(run.positions);
        painter.setPen(palette().color(run.selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawGlyphRun(QPointF(kMargin, top + ascent_), glyphs);
    }

    if (hasFocus() && RowOf(selection_.caret) == row) {
        painter.fillRect(QRectF(kMargin + XOf(row, selection_.caret), top, 1, rowHeight_),
                         palette().text());
    }
}

void TerminalView::scrollContentsBy(int, int dy) {
    if (std::abs(dy) >= VisibleRows()) {
        viewport()->update();
        return;
    }
    viewport()->scroll(0, dy * rowHeight_);
    // The margin above the first row is not part of what moved.
    viewport()->update(0, 0, viewport()->width(), kMargin);
}

void TerminalView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (WrapWidth() != laidOutWidth_) {
        Relayout();
        return;
    }
    const bool atEnd = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
    UpdateScrollRange();
    if (atEnd) {
        FollowEnd();
    }
}

void TerminalView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ResetFont();
        Relayout();
    }
}

void TerminalView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update(CharacterRect(selection_.caret));
}

void TerminalView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update(CharacterRect(selection_.caret));
}

// --------------------------------------------------------- keyboard, mouse

void TerminalView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        Copy();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        event->accept();
        return;
    }
    const bool extend = (event->modifiers() & Qt::ShiftModifier) != 0;
    const bool wholeText = (event->modifiers() & Qt::ControlModifier) != 0;
    const int row = RowOf(selection_.caret);
    const int last = rows_.Count() - 1;
    const qreal x = XOf(row, selection_.caret);
    int target = selection_.caret;
    switch (event->key()) {
    case Qt::Key_Left:
        target = std::max(0, selection_.caret - 1);
        break;
    case Qt::Key_Right:
        target = std::min(static_cast<int>(text_.size()), selection_.caret + 1);
        break;
    case Qt::Key_Up:
        target = row > 0 ? OffsetInRow(row - 1, x) : selection_.caret;
        break;
    case Qt::Key_Down:
        target = row < last ? OffsetInRow(row + 1, x) : selection_.caret;
        break;
    case Qt::Key_PageUp:
        target = OffsetInRow(std::max(0, row - VisibleRows()), x);
        break;
    case Qt::Key_PageDown:
        target = OffsetInRow(std::min(last, row + VisibleRows()), x);
        break;
    case Qt::Key_Home:
        target = wholeText ? 0 : rows_[row].start;
        break;
    case Qt::Key_End:
        target = wholeText ? static_cast<int>(text_.size()) : rows_[row].start + rows_[row].length;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    MoveCaret(target, extend);
    event->accept();
}

void TerminalView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    MoveCaret(OffsetAt(event->position().toPoint()), (event->modifiers() & Qt::ShiftModifier) != 0);
    selecting_ = true;
}

void TerminalView::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_ || (event->buttons() & Qt::LeftButton) == 0) {
        return;
    }
    MoveCaret(OffsetAt(event->position().toPoint()), true);
}

void TerminalView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && selecting_) {
        selecting_ = false;
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (HasSelection() && clipboard->supportsSelection()) {
            clipboard->setText(SelectedText(), QClipboard::Selection);
        }
    }
}

void TerminalView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const auto [start, end] = TextRows::WordAt(text_, OffsetAt(event->position().toPoint()));
    Select(start, end);
    selecting_ = false;
}

void TerminalView::contextMenuEvent(QContextMenuEvent* event) {
    // Popped up, not run in a loop of its own: the program's only nested
    // loop is the wait for the host's reply. The view owns the menu.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copy = menu->addAction(terminaltext::kCopy, this, [this] { Copy(); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(HasSelection());
    QAction* all = menu->addAction(terminaltext::kSelectAll, this, [this] { SelectAll(); });
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(!text_.isEmpty());
    menu->popup(event->globalPos());
}

} // namespace terminal
