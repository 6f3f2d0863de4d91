#include "tests/support/scripted_host.h"

namespace feedrite::testing {

void ScriptedHost::yield() {
    ++yields;
    const auto action = yield_actions_.find(yields);
    if (action != yield_actions_.end()) action->second();
    if (at_every_yield) at_every_yield();
}

MessageAnswer ScriptedHost::message_box(const std::string& text, const std::string& title,
                                        MessageIcon icon, MessageButtons buttons) {
    messages.push_back({text, title, icon, buttons});
    if (!answers.empty()) {
        const MessageAnswer answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    switch (buttons) {
        case MessageButtons::Ok:
        case MessageButtons::OkCancel:
            return MessageAnswer::Ok;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
            return MessageAnswer::Yes;
    }
    return MessageAnswer::Ok;
}

void ScriptedHost::set_stall_timer(bool enabled) {
    if (enabled && !stall_timer) ++stall_timer_starts;
    stall_timer = enabled;
}

}  // namespace feedrite::testing
