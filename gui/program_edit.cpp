// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/program_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>

namespace feedrite {
namespace {

constexpr int margin = 4;  // between the frame and the text
// The bar in the margin beside a line where the control waits for the tape.
QColor mark_colour() {
    return {200, 0, 170};
}
QColor restart_colour() {
    return {0, 150, 60};
}
constexpr int fill_band = 64;
constexpr int leap_context = 3;
constexpr char16_t paragraph_separator = 0x2029;

int to_int(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX));
}

// Floor division, so that points above or left of the text round outwards.
std::int64_t floor_div(std::int64_t a, std::int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Every Latin-1 code as drawn: control characters have no glyph, so they
// take their cell as a blank.
QString latin1_cells() {
    QString cells(256, QLatin1Char(' '));
    for (int c = 0; c < 256; ++c)
        if (c >= 0x20 && (c < 0x7F || c >= 0xA0)) cells[c] = QChar(c);
    return cells;
}

// Pasted or dropped text, already checked to be Latin-1, as 8-bit text.
std::string to_bytes(QString text) {
    text.replace(QChar(paragraph_separator), QLatin1Char('\n'));
    const QByteArray bytes = text.toLatin1();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

ProgramEdit::ProgramEdit(QWidget* parent) : QAbstractScrollArea(parent), metrics_(font()) {
    setObjectName(QStringLiteral("txtedit"));
    setAccessibleName(QStringLiteral("Program"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setCursor(Qt::IBeamCursor);
    // Every paint fills its own background: nothing to erase first.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAcceptDrops(true);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    font_changed();
    // Only the bar's own actions (drag, click, wheel) are the operator's.
    QScrollBar* sideways = horizontalScrollBar();
    connect(sideways, &QScrollBar::actionTriggered, this, [this] { sideways_by_operator_ = true; });
    connect(sideways, &QScrollBar::valueChanged, this, [this](int value) {
        if (value == 0) sideways_by_operator_ = false;
    });
}

bool ProgramEdit::is_latin1(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() > 0xFF && c.unicode() != paragraph_separator) return false;
    return true;
}

void ProgramEdit::set_read_only(bool read_only) {
    read_only_ = read_only;
}

void ProgramEdit::set_marked_lines(std::vector<std::int64_t> lines) {
    marked_lines_ = std::move(lines);
    viewport()->update();
}

void ProgramEdit::set_restart_lines(std::vector<std::int64_t> lines) {
    restart_lines_ = std::move(lines);
    viewport()->update();
}

bool ProgramEdit::focusNextPrevChild(bool next) {
    // While the text is open Tab is typed, not a move to the next control.
    return read_only_ && QAbstractScrollArea::focusNextPrevChild(next);
}

// ---- geometry -------------------------------------------------------------

std::int64_t ProgramEdit::first_visible_line() const {
    return verticalScrollBar()->value();
}

int ProgramEdit::lines_in_sight() const {
    return std::max(1, (viewport()->height() - margin) / line_height_);
}

int ProgramEdit::line_y(std::int64_t line) const {
    const std::int64_t y = margin + (line - first_visible_line()) * line_height_;
    return static_cast<int>(std::clamp<std::int64_t>(y, -line_height_, INT_MAX / 2));
}

int ProgramEdit::column_x(std::int64_t column) const {
    const std::int64_t x = margin + column * cell_width_ - horizontalScrollBar()->value();
    return static_cast<int>(std::clamp<std::int64_t>(x, -cell_width_, INT_MAX / 2));
}

TextPos ProgramEdit::position_at(QPoint point) const {
    const LineText& lines = model_.lines();
    const std::int64_t line =
        std::clamp<std::int64_t>(first_visible_line() + floor_div(point.y() - margin, line_height_),
                                 0, lines.line_count() - 1);
    const std::int64_t x = point.x() - margin + horizontalScrollBar()->value() + cell_width_ / 2;
    const std::int64_t column = std::clamp<std::int64_t>(
        floor_div(x, cell_width_), 0, static_cast<std::int64_t>(lines.line(line).size()));
    return lines.line_start(line) + column;
}

QRect ProgramEdit::caret_rect() const {
    const TextPos caret = model_.caret();
    const std::int64_t line = model_.lines().line_of(caret);
    return {column_x(column_of(model_.lines(), caret, line)), line_y(line), 1, line_height_};
}

// ---- repainting and scrolling ----------------------------------------------

void ProgramEdit::model_changed() {
    // Text replaced by the program is a new start: nothing before it to undo.
    if (model_.lines().revision() != shown_revision_) history_.clear();
    refresh(Scroll::Leap);
}

void ProgramEdit::refresh(Scroll scroll) {
    const TextPos anchor = model_.anchor(), caret = model_.caret();
    if (model_.lines().revision() != shown_revision_) {
        shown_revision_ = model_.lines().revision();
        update_scroll_ranges();
        viewport()->update();
    } else if (anchor != shown_anchor_ || caret != shown_caret_) {
        update_lines(std::min(shown_anchor_, shown_caret_), std::max(shown_anchor_, shown_caret_));
        update_lines(std::min(anchor, caret), std::max(anchor, caret));
    } else {
        return;
    }
    if (!vertical_move_) goal_column_ = -1;
    shown_anchor_ = anchor;
    shown_caret_ = caret;
    ensure_caret_visible(scroll);
    emit selection_moved();
}

void ProgramEdit::update_lines(TextPos from, TextPos to) {
    const LineText& lines = model_.lines();
    const std::int64_t first = first_visible_line();
    const std::int64_t top = std::max(lines.line_of(from), first);
    const std::int64_t bottom = std::min(lines.line_of(to), first + lines_in_sight());
    if (top > bottom) return;
    frame_.update(QRect(0, line_y(top), viewport()->width(),
                        static_cast<int>(bottom - top + 1) * line_height_));
}

void ProgramEdit::scrollContentsBy(int dx, int dy) {
    frame_.repaint_all_if_waiting();
    QAbstractScrollArea::scrollContentsBy(dx, dy);
}

void ProgramEdit::update_scroll_ranges() {
    const LineText& lines = model_.lines();
    const int sight = lines_in_sight();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, to_int(lines.line_count() - sight));
    vertical->setPageStep(sight);
    vertical->setSingleStep(1);
    // The widest line is a bound kept by the store: no line is measured here.
    const std::int64_t width = (lines.widest_line() + 1) * cell_width_ + std::int64_t{2} * margin;
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, to_int(width - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(cell_width_);
}

void ProgramEdit::ensure_caret_visible(Scroll scroll) {
    const TextPos caret = model_.caret();
    const std::int64_t line = model_.lines().line_of(caret);
    QScrollBar* vertical = verticalScrollBar();
    const std::int64_t first = vertical->value();
    const int sight = lines_in_sight();
    if (line >= first && line < first + sight) {
        // in sight already
    } else if (scroll == Scroll::Leap) {
        // A few lines of what came before stay above the caret's line. Blocks
        // sent one after the other then scroll the view a page at a time, not
        // a line at a time: each scroll repaints the whole view.
        vertical->setValue(to_int(line - std::min(leap_context, sight / 4)));
    } else if (line < first) {
        vertical->setValue(to_int(line));
    } else {
        vertical->setValue(to_int(line - sight + 1));
    }
    QScrollBar* horizontal = horizontalScrollBar();
    const int width = std::max(cell_width_, viewport()->width() - 2 * margin);
    // What the program selects (the block sent, a line found) is seen from its
    // start, at the left edge where it fits: the N numbers and G codes stay
    // in sight after a long line. A sideways scroll of the operator's stays.
    if (scroll == Scroll::Leap) {
        if (sideways_by_operator_) return;
        const TextPos start = std::min(model_.anchor(), caret);
        const std::int64_t x =
            column_of(model_.lines(), start, model_.lines().line_of(start)) * cell_width_;
        horizontal->setValue(x + cell_width_ <= width ? 0 : to_int(x - width / 2));
        return;
    }
    // Keys and the mouse: the caret comes to the middle, so that a short line
    // after a long one is seen from its start.
    const std::int64_t x = column_of(model_.lines(), caret, line) * cell_width_;
    if (x < horizontal->value() || x + cell_width_ > horizontal->value() + width)
        horizontal->setValue(to_int(x - width / 2));
}

void ProgramEdit::font_changed() {
    metrics_ = QFontMetrics(font());
    line_height_ = std::max(1, metrics_.lineSpacing());
    cell_width_ = std::max(1, metrics_.horizontalAdvance(QLatin1Char('M')));
    // Glyphs are looked up once per font; painting then places them in their
    // cells without shaping any text.
    raw_font_ = QRawFont::fromFont(font());
    glyphs_ = raw_font_.glyphIndexesForString(latin1_cells());
    if (glyphs_.size() != 256) glyphs_ = QList<quint32>(256, 0);
    update_scroll_ranges();
    viewport()->update();
}

// ---- painting ------------------------------------------------------------

void ProgramEdit::paintEvent(QPaintEvent* event) {
    frame_.painted();
    QPainter painter(viewport());
    painter.setFont(font());
    painter.setClipRegion(event->region());
    const LineText& lines = model_.lines();
    const TextPos start = model_.selection_start();
    const TextPos end = start + model_.selection_length();
    const std::int64_t first = first_visible_line();
    for (const QRect& rect : event->region()) {
        // The background goes in bands of at most a few dozen pixel rows: Qt
        // hands larger fills to its thread pool, whose wake-ups cost more than
        // the fill itself on a busy machine.
        for (int y = rect.top(); y <= rect.bottom(); y += fill_band)
            painter.fillRect(
                QRect(rect.left(), y, rect.width(), std::min(fill_band, rect.bottom() + 1 - y)),
                palette().color(QPalette::Base));
        const std::int64_t top =
            first + std::max<std::int64_t>(0, floor_div(rect.top() - margin, line_height_));
        const std::int64_t bottom = std::min(
            lines.line_count() - 1, first + floor_div(rect.bottom() - margin, line_height_));
        for (std::int64_t line = top; line <= bottom; ++line) {
            paint_line(painter, line, start, end);
            if (std::binary_search(marked_lines_.begin(), marked_lines_.end(), line))
                painter.fillRect(QRect(0, line_y(line), margin - 1, line_height_), mark_colour());
            if (std::binary_search(restart_lines_.begin(), restart_lines_.end(), line))
                painter.fillRect(QRect(0, line_y(line), viewport()->width(), 2), restart_colour());
        }
    }
    if (hasFocus()) painter.fillRect(caret_rect(), palette().color(QPalette::Text));
}

void ProgramEdit::paint_line(QPainter& painter, std::int64_t line, TextPos sel_start,
                             TextPos sel_end) const {
    const LineText& lines = model_.lines();
    const std::string_view chars = lines.line(line);
    const auto length = static_cast<std::int64_t>(chars.size());
    const Span cells = selected_cells(lines, line, sel_start, sel_end);
    const std::int64_t a = cells.from, b = cells.to;
    // Only the columns in sight are drawn, however long the line.
    const std::int64_t first_column = horizontalScrollBar()->value() / cell_width_;
    const std::int64_t last_column = first_column + viewport()->width() / cell_width_ + 2;
    const int y = line_y(line);
    // The selection shows in the active colours also without focus: it is how
    // the operator sees the block being sent.
    const QPalette& colours = palette();
    const std::int64_t lit_from = std::max(a, first_column), lit_to = std::min(b, last_column);
    if (lit_from < lit_to)
        painter.fillRect(QRect(column_x(lit_from), y,
                               static_cast<int>(lit_to - lit_from) * cell_width_, line_height_),
                         colours.color(QPalette::Active, QPalette::Highlight));
    const auto run = [&](std::int64_t from, std::int64_t to, const QColor& colour) {
        from = std::max(from, first_column);
        to = std::min({to, last_column, length});
        if (from >= to) return;
        QList<quint32> indexes(static_cast<qsizetype>(to - from));
        QList<QPointF> positions(indexes.size());
        for (qsizetype k = 0; k < indexes.size(); ++k) {
            indexes[k] =
                glyphs_[static_cast<unsigned char>(chars[static_cast<std::size_t>(from + k)])];
            positions[k] = QPointF(static_cast<double>(k * cell_width_), 0);
        }
        QGlyphRun glyphs;
        glyphs.setRawFont(raw_font_);
        glyphs.setGlyphIndexes(indexes);
        glyphs.setPositions(positions);
        painter.setPen(colour);
        painter.drawGlyphRun(QPointF(column_x(from), y + metrics_.ascent()), glyphs);
    };
    run(0, a, colours.color(QPalette::Text));
    run(a, b, colours.color(QPalette::Active, QPalette::HighlightedText));
    run(b, length, colours.color(QPalette::Text));
}

// ---- keys ------------------------------------------------------------------

void ProgramEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        model_.select(0, model_.length());
        refresh(Scroll::Step);
    } else if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::Cut)) {
        if (!read_only_ && model_.selection_length() > 0) {
            copy();
            erase(false);
        }
    } else if (event->matches(QKeySequence::Paste)) {
        paste();
    } else if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        undo(event->matches(QKeySequence::Redo));
    } else if (!move_key(*event) && !edit_key(*event)) {
        event->ignore();
    }
}

bool ProgramEdit::move_key(const QKeyEvent& event) {
    struct Binding {
        QKeySequence::StandardKey move, select;
        Motion motion;
    };
    static const Binding bindings[] = {
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Motion::Left},
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Motion::Right},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Motion::WordLeft},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Motion::WordRight},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Motion::Up},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Motion::Down},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Motion::PageUp},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Motion::PageDown},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Motion::Home},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Motion::End},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Motion::Top},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Motion::Bottom},
    };
    for (const Binding& binding : bindings) {
        const bool select = event.matches(binding.select);
        if (!select && !event.matches(binding.move)) continue;
        vertical_move_ = is_vertical(binding.motion);
        const TextPos anchor = model_.anchor(), caret = model_.caret();
        // An arrow without Shift first drops the selection at its own side.
        if (!select && anchor != caret && binding.motion == Motion::Left)
            move_caret(std::min(anchor, caret), false);
        else if (!select && anchor != caret && binding.motion == Motion::Right)
            move_caret(std::max(anchor, caret), false);
        else
            move_caret(moved_by_key(caret, binding.motion), select);
        vertical_move_ = false;
        return true;
    }
    return false;
}

TextPos ProgramEdit::moved_by_key(TextPos from, Motion motion) {
    // The page keys scroll the view by a page as well as moving the caret.
    const int page = lines_in_sight();
    if (motion == Motion::PageUp)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - page);
    if (motion == Motion::PageDown)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + page);
    return moved(model_.lines(), from, motion, page, goal_column_);
}

void ProgramEdit::move_caret(TextPos to, bool keep_anchor) {
    model_.select(keep_anchor ? model_.anchor() : to, to);
    refresh(Scroll::Step);
}

bool ProgramEdit::edit_key(const QKeyEvent& event) {
    if (read_only_) return false;
    switch (event.key()) {
        case Qt::Key_Backspace:
            erase(false);
            return true;
        case Qt::Key_Delete:
            erase(true);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            edit(model_.selection_start(), model_.selection_start() + model_.selection_length(),
                 "\r\n");
            return true;
        default:
            break;
    }
    const QString typed = event.text();
    if (typed.isEmpty()) return false;
    for (const QChar c : typed)
        if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7F) return false;
    if (!is_latin1(typed)) {
        QApplication::beep();  // it could not be sent as it is shown
        return true;
    }
    edit(model_.selection_start(), model_.selection_start() + model_.selection_length(),
         to_bytes(typed));
    return true;
}

void ProgramEdit::edit(TextPos from, TextPos to, std::string_view text) {
    if (read_only_) return;
    history_.edit(model_, from, to, text);
    refresh(Scroll::Step);
    emit text_edited();
}

void ProgramEdit::undo(bool redo) {
    if (read_only_) return;
    if (redo ? history_.redo(model_) : history_.undo(model_)) {
        refresh(Scroll::Step);
        emit text_edited();
    }
}

void ProgramEdit::erase(bool forward) {
    const TextPos start = model_.selection_start();
    const Span span = model_.selection_length() > 0
                          ? Span{start, start + model_.selection_length()}
                          : erased_span(model_.lines(), model_.caret(), forward);
    if (span.to > span.from) edit(span.from, span.to, {});
}

// ---- clipboard and drops ---------------------------------------------------

void ProgramEdit::copy() const {
    if (model_.selection_length() == 0) return;
    const std::string bytes = model_.selected_text();
    QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QGuiApplication::clipboard()->setText(text);
}

void ProgramEdit::paste() {
    insert_from(QGuiApplication::clipboard()->mimeData());
}

bool ProgramEdit::can_insert(const QMimeData* source) const {
    return !read_only_ && source != nullptr && source->hasText();
}

void ProgramEdit::insert_from(const QMimeData* source) {
    if (!can_insert(source)) return;
    const QString text = source->text();
    if (!is_latin1(text)) {
        QApplication::beep();  // refused whole: part of it could not be sent
        return;
    }
    edit(model_.selection_start(), model_.selection_start() + model_.selection_length(),
         to_bytes(text));
}

void ProgramEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (can_insert(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ProgramEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (can_insert(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ProgramEdit::dropEvent(QDropEvent* event) {
    if (!can_insert(event->mimeData())) {
        event->ignore();
        return;
    }
    const TextPos at = position_at(event->position().toPoint());
    model_.select(at, at);
    insert_from(event->mimeData());
    refresh(Scroll::Step);
    event->acceptProposedAction();
}

// ---- mouse, focus, size ------------------------------------------------------

void ProgramEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    dragging_ = true;
    move_caret(position_at(event->position().toPoint()),
               event->modifiers().testFlag(Qt::ShiftModifier));
}

void ProgramEdit::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !event->buttons().testFlag(Qt::LeftButton))
        return QAbstractScrollArea::mouseMoveEvent(event);
    move_caret(position_at(event->position().toPoint()), true);
}

void ProgramEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void ProgramEdit::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    update_lines(model_.caret(), model_.caret());
}

void ProgramEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    update_lines(model_.caret(), model_.caret());
}

void ProgramEdit::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    update_scroll_ranges();
}

void ProgramEdit::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) font_changed();
    if (event->type() == QEvent::PaletteChange) viewport()->update();
}

}  // namespace feedrite
