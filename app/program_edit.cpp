#include "app/program_edit.h"

#include <QApplication>
#include <QMimeData>

namespace feedrite {

bool ProgramEdit::is_latin1(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() > 0xFF && c.unicode() != 0x2029) return false;
    return true;
}

bool ProgramEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText() && QPlainTextEdit::canInsertFromMimeData(source);
}

void ProgramEdit::insertFromMimeData(const QMimeData* source) {
    if (!source->hasText() || !is_latin1(source->text())) {
        QApplication::beep();
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
}

}  // namespace feedrite
