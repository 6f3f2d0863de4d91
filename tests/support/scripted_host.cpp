// SPDX-License-Identifier: GPL-3.0-or-later
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
    if (answers.empty())
        return buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel
                   ? MessageAnswer::Yes
                   : MessageAnswer::Ok;
    const MessageAnswer answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

}  // namespace feedrite::testing
