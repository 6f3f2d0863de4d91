#include "app/toolkit/qt_text_view.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "app/toolkit/plain_text_view.h"

namespace feedrite {
namespace {

constexpr char16_t paragraph_separator = 0x2029;

// Qt text (paragraph separators between blocks) -> 8-bit text with CR LF.
std::string to_latin1_crlf(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        if (c.unicode() == paragraph_separator) {
            out += "\r\n";
        } else {
            // The view only ever holds Latin-1; anything else is not ours to send.
            out += c.unicode() < 256 ? static_cast<char>(c.unicode()) : '?';
        }
    }
    return out;
}

// 8-bit text with any breaks -> Qt text with one "\n" per break.
QString to_qt_text(std::string_view text) {
    std::string single;
    single.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            single += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            single += text[i];
        }
    }
    return QString::fromLatin1(single.data(), static_cast<qsizetype>(single.size()));
}

// View position of the start of block `number` (each earlier break counts two).
TextPos block_start(const QTextDocument& doc, int number) {
    return doc.findBlockByNumber(number).position() + number;
}

}  // namespace

QtTextView::QtTextView(QPlainTextEdit& edit) : edit_(edit) {
    QObject::connect(edit.document(), &QTextDocument::contentsChange, &edit, [this] {
        requested_.reset();
        last_line_.reset();
    });
}

QTextDocument& QtTextView::document() const { return *edit_.document(); }

TextPos QtTextView::from_qt(int q) const {
    const QTextBlock block = document().findBlock(q);
    return static_cast<TextPos>(q) + (block.isValid() ? block.blockNumber() : document().blockCount() - 1);
}

std::optional<int> QtTextView::to_qt_near_last(TextPos pos) const {
    if (!last_line_ || pos < last_line_->start) return std::nullopt;
    QTextBlock block = last_line_->block;
    TextPos start = last_line_->start;
    for (int step = 0; step < 2 && block.isValid(); ++step) {
        const int line_length = block.length() - 1;
        const bool last = !block.next().isValid();
        if (pos < start + line_length + 2 || last) {
            last_line_ = LastLine{block, start};
            return block.position() + static_cast<int>(std::min<TextPos>(pos - start, line_length));
        }
        start += line_length + 2;
        block = block.next();
    }
    return std::nullopt;
}

int QtTextView::to_qt(TextPos pos) const {
    const QTextDocument& doc = document();
    if (pos <= 0) return 0;
    if (const auto near = to_qt_near_last(pos)) return *near;
    // The last block whose start is at or before pos.
    int low = 0, high = doc.blockCount() - 1;
    while (low < high) {
        const int mid = low + (high - low + 1) / 2;
        if (block_start(doc, mid) <= pos)
            low = mid;
        else
            high = mid - 1;
    }
    const QTextBlock block = doc.findBlockByNumber(low);
    const TextPos offset = pos - block_start(doc, low);
    const int line_length = block.length() - 1;
    last_line_ = LastLine{block, block_start(doc, low)};
    return block.position() + static_cast<int>(std::min<TextPos>(offset, line_length));
}

std::string QtTextView::text() const { return to_latin1_crlf(document().toRawText()); }

void QtTextView::set_text(std::string_view text) { edit_.setPlainText(to_qt_text(text)); }

TextPos QtTextView::length() const {
    const QTextDocument& doc = document();
    return static_cast<TextPos>(doc.characterCount() - 1) + (doc.blockCount() - 1);
}

std::optional<QtTextView::Requested> QtTextView::still_requested() const {
    const QTextCursor cursor = edit_.textCursor();
    if (requested_ && requested_->qt_start == cursor.selectionStart() &&
        requested_->qt_end == cursor.selectionEnd())
        return requested_;
    return std::nullopt;
}

TextPos QtTextView::selection_start() const {
    if (const auto kept = still_requested()) return kept->start;
    return from_qt(edit_.textCursor().selectionStart());
}

void QtTextView::set_selection_start(TextPos start) {
    start = std::clamp<TextPos>(start, 0, length());
    select(start, start);
}

TextPos QtTextView::selection_length() const {
    if (const auto kept = still_requested()) return kept->end - kept->start;
    const QTextCursor cursor = edit_.textCursor();
    return from_qt(cursor.selectionEnd()) - from_qt(cursor.selectionStart());
}

void QtTextView::set_selection_length(TextPos length) {
    const TextPos start = selection_start();
    select(start, std::clamp<TextPos>(start + length, start, this->length()));
}

std::string QtTextView::selected_text() const {
    const QTextCursor cursor = edit_.textCursor();
    std::string text = to_latin1_crlf(cursor.selectedText());
    const auto kept = still_requested();
    if (!kept) return text;
    if (kept->end <= kept->start) return {};
    // Qt's selection covers whole breaks; trim it to the positions that were set.
    const TextPos qt_start = from_qt(cursor.selectionStart());
    const TextPos qt_end = from_qt(cursor.selectionEnd());
    text.erase(0, static_cast<std::size_t>(kept->start - qt_start));
    if (kept->end > qt_end) text += '\r';
    return text;
}

void QtTextView::replace_selection(std::string_view text) {
    QTextCursor cursor = edit_.textCursor();
    cursor.insertText(to_qt_text(text));
    edit_.setTextCursor(cursor);
}

std::string QtTextView::select_line_from(TextPos start) {
    start = std::clamp<TextPos>(start, 0, length());
    const QTextBlock block = document().findBlock(to_qt(start));
    select(start, std::max(start, from_qt(block.position() + block.length() - 1)));
    return selected_text();
}

TextPos QtTextView::find(std::string_view what, TextPos start, TextPos end, bool match_case,
                         bool highlight) {
    const TextPos total = length();
    if (end < 0 || end > total) end = total;
    start = std::clamp<TextPos>(start, 0, end);
    // Walk the lines from the one holding `start`, keeping the tail of the
    // previous line so that a text spanning a line break is found too.
    QTextBlock block = document().findBlock(to_qt(start));
    TextPos chunk_base = from_qt(block.position());
    std::string carry;
    for (; block.isValid() && chunk_base <= end; block = block.next()) {
        std::string chunk = to_latin1_crlf(block.text());
        if (block.next().isValid()) chunk += "\r\n";
        const std::string buffer = carry + chunk;
        const TextPos buffer_base = chunk_base - static_cast<TextPos>(carry.size());
        const auto from = static_cast<std::size_t>(std::max<TextPos>(start - buffer_base, 0));
        const auto hit = find_in(buffer, what, from, match_case);
        if (hit != std::string::npos) {
            const TextPos p = buffer_base + static_cast<TextPos>(hit);
            if (p + static_cast<TextPos>(what.size()) > end) return -1;
            if (highlight) select(p, p + static_cast<TextPos>(what.size()));
            return p;
        }
        const std::size_t keep = std::min(buffer.size(), what.empty() ? 0 : what.size() - 1);
        carry = buffer.substr(buffer.size() - keep);
        chunk_base += static_cast<TextPos>(chunk.size());
    }
    return -1;
}

std::int64_t QtTextView::line_index(TextPos pos) const {
    return document().findBlock(to_qt(pos)).blockNumber();
}

void QtTextView::select(TextPos start, TextPos end) {
    const int qt_start = to_qt(start), qt_end = to_qt(end);
    QTextCursor cursor = edit_.textCursor();
    cursor.setPosition(qt_start);
    cursor.setPosition(qt_end, QTextCursor::KeepAnchor);
    edit_.setTextCursor(cursor);
    requested_ = Requested{qt_start, qt_end, start, end};
}

}  // namespace feedrite
