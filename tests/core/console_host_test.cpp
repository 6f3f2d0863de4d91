#include "core/console_host.h"

#include <gtest/gtest.h>

#include <sstream>

namespace feedrite {
namespace {

// One line on the error stream, titled "Feedrite" when untitled; answered with
// the first button.
TEST(ConsoleHost, MessagesAreOneLineAndAnsweredWithTheFirstButton) {
    std::ostringstream errors;
    ConsoleHost host(errors);
    EXPECT_EQ(host.message_box("Save?\nNow.", "", MessageIcon::None, MessageButtons::YesNoCancel),
              MessageAnswer::Yes);
    EXPECT_EQ(host.message_box("Go?", "Q", MessageIcon::None, MessageButtons::OkCancel),
              MessageAnswer::Ok);
    EXPECT_EQ(errors.str(), "Feedrite: Save? / Now.\nQ: Go?\n");
}

}  // namespace
}  // namespace feedrite
