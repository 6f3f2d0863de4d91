#include "gui/qt_host.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

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

}  // namespace

QtHost::QtHost(QWidget& window, QTimer& stall_timer) : window_(&window), stall_timer_(stall_timer) {}

void QtHost::yield() { QCoreApplication::processEvents(); }

MessageAnswer QtHost::message_box(const std::string& text, const std::string& title,
                                  MessageIcon icon, MessageButtons buttons) {
    const std::string& shown_title = title.empty() ? std::string(default_message_title) : title;
    if (answerer_) return answerer_(text, shown_title, icon, buttons);
    QMessageBox box(qt_icon(icon), QString::fromLatin1(shown_title), QString::fromLatin1(text),
                    qt_buttons(buttons), window_);
    // Esc on a box without Cancel gives its last button, as the close box does.
    if (buttons == MessageButtons::YesNo) box.setEscapeButton(QMessageBox::No);
    const int chosen = box.exec();
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return answer_of(chosen);
}

void QtHost::beep() { QApplication::beep(); }

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
    if (window_) window_->setWindowTitle(QString::fromLatin1(caption));
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
