// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/qt_host.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/display_text.h"

namespace feedrite {
namespace {

QMessageBox::Icon qt_icon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qt_buttons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

MessageAnswer answer_of(int button) {
    switch (button) {
        case QMessageBox::Ok:
            return MessageAnswer::Ok;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            return MessageAnswer::Cancel;
    }
}

// File names in the locale's encoding, the program's own text in Latin-1.
QString shown(const std::string& text) {
    return reads_as_utf8(text) ? QString::fromLocal8Bit(text.data(), qsizetype(text.size()))
                               : QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// A box is as wide as its text; a short text would clip a longer title
// ("Sear…sage:"). Room for the title and the frame's buttons is kept.
void fit_title(QMessageBox& box) {
    const int wanted = box.fontMetrics().horizontalAdvance(box.windowTitle()) * 5 / 4 + 150;
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

// A box belongs to the window the user works in (a dialog shown modally over
// the main window, or the main window) and blocks that window's family only:
// the Virtual control, a window of its own, stays operable.
QWidget* owner_for(QWidget* window) {
    if (QWidget* dialog = QApplication::activeModalWidget()) return dialog;
    return window;
}

// The width a box's text may take before QMessageBox wraps it itself (half
// the screen, at most 500 px, less the icon and the margins).
int box_text_width(const QWidget& box) {
    const QScreen* screen = box.screen();
    const int half = screen != nullptr ? screen->availableGeometry().width() / 2 : 500;
    return std::min(half, 500) - 130;
}

}  // namespace

QString box_text(const std::string& text, const QFontMetrics& metrics, int width) {
    QStringList lines;
    for (const QString& line : shown(text).split(QLatin1Char('\n'))) {
        QString current;
        for (const QString& word : line.split(QLatin1Char(' '))) {
            const QString longer = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
            if (!current.isEmpty() && metrics.horizontalAdvance(longer) > width) {
                lines << current;
                current = word;
            } else {
                current = longer;
            }
        }
        lines << current;
    }
    return lines.join(QLatin1Char('\n'));
}

QtHost::QtHost(QWidget& window, QTimer& stall_timer)
    : window_(&window), stall_timer_(stall_timer) {}

void QtHost::yield() {
    QCoreApplication::processEvents();
}

MessageAnswer QtHost::message_box(const std::string& text, const std::string& title,
                                  MessageIcon icon, MessageButtons buttons) {
    const std::string& shown_title = title.empty() ? std::string(default_message_title) : title;
    if (answerer_) return answerer_(text, shown_title, icon, buttons);
    QMessageBox box(qt_icon(icon), shown(shown_title), QString(), qt_buttons(buttons),
                    owner_for(window_));
    box.setText(box_text(text, box.fontMetrics(), box_text_width(box)));
    box.setWindowModality(Qt::WindowModal);
    fit_title(box);
    // Esc on a box without Cancel gives its last button, as the close box does.
    if (buttons == MessageButtons::YesNo) box.setEscapeButton(QMessageBox::No);
    const int chosen = box.exec();
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return answer_of(chosen);
}

QMessageBox& QtHost::notice_box(const std::string& title, MessageIcon icon, bool question) {
    // A question replaced is withdrawn: its answer never comes.
    if (notice_ && (question || notice_asks_)) {
        QObject::disconnect(notice_, &QMessageBox::finished, nullptr, nullptr);
        notice_->close();
        notice_ = nullptr;
    }
    if (!notice_) {
        notice_ = new QMessageBox(window_);
        notice_->setAttribute(Qt::WA_DeleteOnClose);
        notice_->setWindowModality(Qt::NonModal);
        notice_->setStandardButtons(question ? QMessageBox::Yes | QMessageBox::No
                                             : QMessageBox::Ok);
        if (question) notice_->setEscapeButton(QMessageBox::No);
        notice_asks_ = question;
    }
    notice_->setIcon(qt_icon(icon));
    notice_->setWindowTitle(shown(title.empty() ? std::string(default_message_title) : title));
    return *notice_;
}

void QtHost::notice(const std::string& text, const std::string& title, MessageIcon icon) {
    if (answerer_) {
        (void)answerer_(text, title.empty() ? default_message_title : title, icon,
                        MessageButtons::Ok);
        return;
    }
    QMessageBox& box = notice_box(title, icon, false);
    box.setText(box_text(text, box.fontMetrics(), box_text_width(box)));
    if (!box.isVisible()) fit_title(box);
    box.show();
    box.raise();
}

void QtHost::ask_without_waiting(const std::string& text, const std::string& title,
                                 MessageIcon icon, std::function<void(MessageAnswer)> answered) {
    if (answerer_) {
        answered(answerer_(text, title.empty() ? default_message_title : title, icon,
                           MessageButtons::YesNo));
        return;
    }
    QMessageBox& box = notice_box(title, icon, true);
    box.setText(box_text(text, box.fontMetrics(), box_text_width(box)));
    fit_title(box);
    QObject::connect(&box, &QMessageBox::finished, &box, [&box, answered = std::move(answered)] {
        // Closed without a button: No, as in a message box.
        answered(box.standardButton(box.clickedButton()) == QMessageBox::Yes ? MessageAnswer::Yes
                                                                             : MessageAnswer::No);
    });
    box.show();
    box.raise();
}

void QtHost::beep() {
    QApplication::beep();
}

void QtHost::set_wait_pointer(bool wait) {
    if (!window_ || wait == waiting_) return;
    waiting_ = wait;
    if (wait) {
        // Children with a pointer of their own (the text view's I-beam) would
        // hide the wait pointer: cover them too and remember what they had.
        saved_cursors_.clear();
        for (QWidget* child : window_->findChildren<QWidget*>()) {
            if (child->testAttribute(Qt::WA_SetCursor))
                saved_cursors_.push_back({child, child->cursor()});
            child->setCursor(Qt::WaitCursor);
        }
        window_->setCursor(Qt::WaitCursor);
        return;
    }
    for (QWidget* child : window_->findChildren<QWidget*>()) child->unsetCursor();
    for (const auto& [child, cursor] : saved_cursors_)
        if (child) child->setCursor(cursor);
    saved_cursors_.clear();
    window_->unsetCursor();
}

void QtHost::set_stall_timer(bool enabled) {
    // QTimer::start() restarts a running timer; the watchdog must keep counting.
    if (enabled && !stall_timer_.isActive()) stall_timer_.start();
    if (!enabled) stall_timer_.stop();
}

void QtHost::set_caption(const std::string& caption) {
    if (window_) window_->setWindowTitle(shown(caption));
}

void QtHost::close_window() {
    if (window_) window_->close();
}

void QtHost::end_program() {
    if (release_) release_();
    if (exit_) {
        exit_();
        return;
    }
    std::fflush(nullptr);
    // Nothing waiting further down the stack may run again, so no return.
    std::_Exit(0);
}

}  // namespace feedrite
