#pragma once
// A folder of program files loaded through the CALL expansion as the send
// driver loads them.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "prepare/call_expander.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace feedrite::testing {

/// Also records the order of the failure steps the user notices.
class OrderedHost : public ScriptedHost {
public:
    void beep() override {
        events.push_back("beep");
        ScriptedHost::beep();
    }
    void set_wait_pointer(bool wait) override {
        events.push_back(wait ? "wait pointer" : "normal pointer");
        ScriptedHost::set_wait_pointer(wait);
    }
    MessageAnswer message_box(const std::string& text, const std::string& title, MessageIcon icon,
                              MessageButtons buttons) override {
        events.push_back("message");
        return ScriptedHost::message_box(text, title, icon, buttons);
    }
    std::vector<std::string> events;
};

using Files = std::vector<std::pair<std::string, std::string>>;

class CallFixture : public ::testing::Test {
protected:
    void write(const Files& files) {
        for (const auto& [name, bytes] : files) dir.write(name, bytes);
    }

    /// Loads `name` as the send driver does; stops at an alarm, and at a
    /// runaway expansion so that a hang shows up as a failure.
    std::vector<std::string> load(const std::string& name = "MAIN") {
        expander.reset();
        FileError error;
        EXPECT_TRUE(main.open(dir.file(name), error)) << error.message;
        std::vector<std::string> lines;
        while (expander.more_lines(main) && window.DNC_alarm == 0) {
            lines.push_back(expander.read_expanded_line(main));
            if (lines.size() > 10'000) {
                ADD_FAILURE() << "the expansion does not end";
                break;
            }
        }
        return lines;
    }

    TempDir dir;
    OrderedHost host;
    WindowState window;
    ModuleState module;
    CallExpander expander{host, window, module, dir.path()};
    ProgramFile main;
};

inline std::string begin_of(const std::string& name) {
    return "(BEGINNING OF SUB FILE " + name + ")";
}
inline std::string end_of(const std::string& name) {
    return "(END OF SUB FILE " + name + ")";
}

}  // namespace feedrite::testing
