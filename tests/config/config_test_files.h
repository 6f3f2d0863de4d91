#pragma once
// Sample files and message checks shared by the config tests.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/file_io.h"
#include "tests/support/scripted_host.h"

namespace feedrite::testing {

/// Every optional value differs from its default, so a line that is read
/// shows up in the result.
inline std::vector<std::string> sample_settings_lines() {
    return {" 4",  " 1200", " 800", " 200", " 0",   " 5000", "3.33", "2.2", ".565",  "0",  " 760",
            "%LF", "%",     " 0",   " 3",   " 300", "0",     "M30",  "/",   "#.###", " 1", " 1",
            " 1",  " 0 ",   " 1 ",  " 0 ",  " 1 ",  " 1 ",   "G4",   "G04", " 1 "};
}

/// The sample with the given lines (1-based) replaced, cut to `count` lines.
inline std::string sample_settings(const std::vector<std::pair<int, std::string>>& changes = {},
                                   std::size_t count = 31) {
    auto lines = sample_settings_lines();
    for (const auto& [number, value] : changes) lines[static_cast<std::size_t>(number - 1)] = value;
    lines.resize(count);
    return join_lines_crlf(lines);
}

/// The host showed exactly one message box: this one, with an OK button.
inline void expect_one_message(const ScriptedHost& host, const std::string& text,
                               const std::string& title, MessageIcon icon) {
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, text);
    EXPECT_EQ(host.messages[0].title, title);
    EXPECT_EQ(host.messages[0].icon, icon);
    EXPECT_EQ(host.messages[0].buttons, MessageButtons::Ok);
}

}  // namespace feedrite::testing
