// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program view's widget. It paints only the lines in sight, straight from
// a line-offset store, so a program of any size shows at once and moving the
// highlighted block repaints just the lines it leaves and enters. Text is laid
// out in character cells: the font must be fixed-pitch.
//
// Only Latin-1 can be sent, so text holding any other character can be
// neither typed nor pasted nor dropped into it. Read-only still lets the
// operator move the caret and select, with keys and mouse.

#include <QAbstractScrollArea>
#include <QFontMetrics>
#include <QRawFont>
#include <string>
#include <vector>

#include "gui/frame_limiter.h"
#include "text/line_text_view.h"
#include "text/text_editing.h"

class QMimeData;

namespace feedrite {

class ProgramEdit : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit ProgramEdit(QWidget* parent = nullptr);

    /// True when every character of `text` has a Latin-1 code (a paragraph
    /// separator counts as a line break).
    [[nodiscard]] static bool is_latin1(const QString& text);

    /// The text and selection shown. Whoever changes them calls `model_changed`.
    [[nodiscard]] LineTextView& model() { return model_; }
    [[nodiscard]] const LineTextView& model() const { return model_; }
    /// Repaints what the last changes touched: the whole view after an edit,
    /// otherwise only the lines of the old and new selection. If the caret
    /// moved out of sight, its line comes in near the top.
    void model_changed();

    [[nodiscard]] bool is_read_only() const { return read_only_; }
    void set_read_only(bool read_only);

    /// Lines (0-based, ascending) marked in the left margin: where the control
    /// waits for the tape. Empty: none.
    void set_marked_lines(std::vector<std::int64_t> lines);
    /// Lines (0-based, ascending) the program's safe restart points begin,
    /// ruled across the view above them. Empty: none.
    void set_restart_lines(std::vector<std::int64_t> lines);

    /// Position under `point` of the viewport.
    [[nodiscard]] TextPos position_at(QPoint point) const;
    /// Where the caret is drawn, in viewport coordinates.
    [[nodiscard]] QRect caret_rect() const;
    [[nodiscard]] std::int64_t first_visible_line() const;
    [[nodiscard]] int lines_in_sight() const;

    void copy() const;
    void paste();

  signals:
    /// The user changed the text: typed, pasted, dropped, cut, deleted, undid
    /// or redid. Changes made through `model()` do not count.
    void text_edited();
    /// The selection or caret moved, or the text changed (every block sent
    /// moves it: whoever listens keeps it cheap).
    void selection_moved();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool focusNextPrevChild(bool next) override;

    [[nodiscard]] bool can_insert(const QMimeData* source) const;
    void insert_from(const QMimeData* source);
    void scrollContentsBy(int dx, int dy) override;

  private:
    /// How the view follows a caret that left it: a leap puts the caret's line
    /// near the top, a step scrolls as little as needed (keys and mouse).
    enum class Scroll { Leap, Step };
    [[nodiscard]] bool move_key(const QKeyEvent& event);
    [[nodiscard]] bool edit_key(const QKeyEvent& event);
    [[nodiscard]] TextPos moved_by_key(TextPos from, Motion motion);
    void move_caret(TextPos to, bool keep_anchor);
    /// Replaces [from, to) with `text` unless read-only.
    void edit(TextPos from, TextPos to, std::string_view text);
    void erase(bool forward);
    /// Takes back the last edit, or with `redo` makes the last one taken back again.
    void undo(bool redo);

    [[nodiscard]] int line_y(std::int64_t line) const;
    [[nodiscard]] int column_x(std::int64_t column) const;
    void paint_line(class QPainter& painter, std::int64_t line, TextPos sel_start,
                    TextPos sel_end) const;
    void update_lines(TextPos from, TextPos to);
    void update_scroll_ranges();
    void refresh(Scroll scroll);
    void ensure_caret_visible(Scroll scroll);
    void font_changed();

    LineTextView model_;
    EditHistory history_;
    bool read_only_ = false;
    bool dragging_ = false;
    // What is on screen, so a change repaints only what it touched.
    std::uint64_t shown_revision_ = 0;
    TextPos shown_anchor_ = 0;
    TextPos shown_caret_ = 0;
    // Column that Up and Down keep to across short lines; -1 when unset.
    // Any other move of the caret forgets it.
    std::int64_t goal_column_ = -1;
    bool vertical_move_ = false;
    /// The operator scrolled sideways (bar, wheel) and has not come back to
    /// the left edge: the program's selections leave the view where it is.
    bool sideways_by_operator_ = false;
    QFontMetrics metrics_;
    int line_height_ = 1;
    int cell_width_ = 1;
    QRawFont raw_font_;
    QList<quint32> glyphs_;  ///< glyph of each Latin-1 code in raw_font_
    std::vector<std::int64_t> marked_lines_;
    std::vector<std::int64_t> restart_lines_;
    FrameLimiter frame_{*viewport()};
};

}  // namespace feedrite
