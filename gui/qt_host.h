// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The host services on Qt: the message loop, message boxes, the beep, the
// pointer and the stall watchdog of one main window.

#include <QCursor>
#include <QFontMetrics>
#include <QPointer>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

#include "core/host.h"

class QMessageBox;
class QTimer;
class QWidget;

namespace feedrite {

/// A message's text for a box: its lines broken at blanks to `width` pixels,
/// so that the box never wraps it itself, which broke a command at its
/// hyphen ("--check-" / "port") where it no longer works when typed.
[[nodiscard]] QString box_text(const std::string& text, const QFontMetrics& metrics, int width);

class QtHost : public Host {
  public:
    /// `window` gets the pointer and the close requests; `stall_timer` is the
    /// watchdog that the engine switches on while it waits for the control.
    QtHost(QWidget& window, QTimer& stall_timer);

    void yield() override;
    MessageAnswer message_box(const std::string& text, const std::string& title, MessageIcon icon,
                              MessageButtons buttons) override;
    void notice(const std::string& text, const std::string& title, MessageIcon icon) override;
    void ask_without_waiting(const std::string& text, const std::string& title, MessageIcon icon,
                             std::function<void(MessageAnswer)> answered) override;
    void beep() override;
    void set_wait_pointer(bool wait) override;
    void set_stall_timer(bool enabled) override;
    void set_caption(const std::string& caption) override;
    void close_window() override;
    void end_program() override;

    /// Runs just before the process ends, to leave the port in a known state.
    void on_end(std::function<void()> release) { release_ = std::move(release); }

    using Answerer = std::function<MessageAnswer(const std::string& text, const std::string& title,
                                                 MessageIcon, MessageButtons)>;
    /// Answers message boxes, notices and questions without showing them
    /// (tests script the user; a notice's answer is not used).
    void answer_with(Answerer answerer) { answerer_ = std::move(answerer); }
    /// Replaces the end of the process (tests stay alive to look).
    void exit_with(std::function<void()> exit) { exit_ = std::move(exit); }

  private:
    /// The notice's box, a new one in place of a question still open.
    QMessageBox& notice_box(const std::string& title, MessageIcon icon, bool question);

    QPointer<QWidget> window_;
    QPointer<QMessageBox> notice_;
    QTimer& stall_timer_;
    std::function<void()> release_;
    Answerer answerer_;
    std::function<void()> exit_;
    bool waiting_ = false;
    bool notice_asks_ = false;  ///< the box shown is a question
    std::vector<std::pair<QPointer<QWidget>, QCursor>> saved_cursors_;
};

}  // namespace feedrite
