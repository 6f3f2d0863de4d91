// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window toolkit as the core needs it. The core reaches the window only
// through this interface: the Qt host serves the real window, the console host
// serves the headless tools, and tests script one.

#include <functional>
#include <string>

namespace feedrite {

enum class MessageIcon { None, Critical, Exclamation };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

/// The title a message box shows when it is given none.
inline constexpr const char* default_message_title = "Feedrite";

class Host {
  public:
    virtual ~Host() = default;

    /// Processes every pending window event (clicks, keys, timer ticks, paints)
    /// and returns. Handlers that run here only set window-state flags.
    virtual void yield() = 0;

    /// Modal message box: it blocks the main window, never the windows that
    /// stand for the machine (the Virtual control). Lines of `text` are
    /// separated by LF; both strings are 8-bit (Latin-1), file names in them
    /// in the locale's encoding. An empty title shows `default_message_title`.
    /// Returns the button chosen; a box closed without a button counts as the
    /// last one offered (Cancel, No or Ok).
    virtual MessageAnswer message_box(const std::string& text, const std::string& title,
                                      MessageIcon icon, MessageButtons buttons) = 0;

    /// A message with an OK button that must stop nothing: where a window
    /// exists it is shown without waiting, and only one at a time (a later
    /// notice takes the place of one still shown). A host without windows
    /// shows it as a message box.
    virtual void notice(const std::string& text, const std::string& title, MessageIcon icon) {
        (void)message_box(text, title, icon, MessageButtons::Ok);
    }

    /// A Yes/No question that must stop nothing: shown as a notice is, and
    /// sharing its place (a later notice or question replaces it, and a
    /// replaced question is never answered). `answered` runs later, from the
    /// event loop. A host without windows asks it as a message box and
    /// answers at once.
    virtual void ask_without_waiting(
        const std::string& text, const std::string& title, MessageIcon icon,
        // NOLINTNEXTLINE(performance-unnecessary-value-param): kept by overrides
        std::function<void(MessageAnswer)> answered) {
        answered(message_box(text, title, icon, MessageButtons::YesNo));
    }

    /// The system beep; silent where there is no speaker.
    virtual void beep() = 0;

    /// Main window pointer: the wait (hourglass) pointer or the normal one.
    virtual void set_wait_pointer(bool wait) = 0;

    /// Enables or disables the stall watchdog. Enabling it while it already
    /// runs keeps its current interval going.
    virtual void set_stall_timer(bool enabled) = 0;

    /// Sets the main window's caption (8-bit text).
    virtual void set_caption(const std::string& caption) = 0;

    /// Asks the main window to close; the close handler may refuse.
    virtual void close_window() = 0;

    /// Ends the program at once: no code waiting further down the stack runs
    /// again. Does not return where a real window exists.
    virtual void end_program() = 0;
};

}  // namespace feedrite
