#pragma once
// The program view on a QPlainTextEdit. Qt keeps one character per line break;
// this adapter counts every break as CR LF in both directions. Each mapping is
// a few O(log n) lookups in the document's block map, never a walk.

#include <QTextBlock>
#include <optional>

#include "app/toolkit/text_view.h"

class QPlainTextEdit;
class QTextDocument;

namespace feedrite {

class QtTextView : public TextView {
public:
    explicit QtTextView(QPlainTextEdit& edit);

    [[nodiscard]] std::string text() const override;
    void set_text(std::string_view text) override;
    [[nodiscard]] TextPos length() const override;

    [[nodiscard]] TextPos selection_start() const override;
    void set_selection_start(TextPos start) override;
    [[nodiscard]] TextPos selection_length() const override;
    void set_selection_length(TextPos length) override;
    [[nodiscard]] std::string selected_text() const override;
    void replace_selection(std::string_view text) override;
    std::string select_line_from(TextPos start) override;
    TextPos find(std::string_view what, TextPos start, TextPos end, bool match_case,
                 bool highlight) override;
    [[nodiscard]] std::int64_t line_index(TextPos pos) const override;

    /// Qt position -> view position. A break's position maps to its CR.
    [[nodiscard]] TextPos from_qt(int q) const;
    /// View position -> Qt position. The LF of a break maps to the break.
    [[nodiscard]] int to_qt(TextPos pos) const;

private:
    [[nodiscard]] QTextDocument& document() const;
    void select(TextPos start, TextPos end);

    // Qt has no position between the CR and the LF of a break. A selection
    // set there is remembered, so it reads back as set while the caret and
    // the text stay as they were.
    struct Requested {
        int qt_start, qt_end;
        TextPos start, end;
    };
    [[nodiscard]] std::optional<Requested> still_requested() const;

    // The last line a view position was found in: blocks are sent one after
    // the other, so the next lookup is nearly always there or one line on.
    struct LastLine {
        QTextBlock block;
        TextPos start = 0;  ///< view position of the line's first character
    };
    [[nodiscard]] std::optional<int> to_qt_near_last(TextPos pos) const;
    mutable std::optional<LastLine> last_line_;

    QPlainTextEdit& edit_;
    std::optional<Requested> requested_;
};

}  // namespace feedrite
