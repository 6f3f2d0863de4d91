#pragma once
// The program view's widget. Only Latin-1 can be sent, so text holding any
// other character can be neither typed nor pasted nor dropped into it.

#include <QPlainTextEdit>

namespace feedrite {

class ProgramEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;

    /// True when every character of `text` has a Latin-1 code.
    [[nodiscard]] static bool is_latin1(const QString& text);

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
};

}  // namespace feedrite
