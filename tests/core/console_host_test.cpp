#include "core/console_host.h"

#include <gtest/gtest.h>

#include <sstream>

namespace feedrite {
namespace {

TEST(ConsoleHost, MessagesAreOneLineAndAnsweredWithTheFirstButton) {
    std::ostringstream errors;
    ConsoleHost host(errors);
    EXPECT_EQ(host.message_box("BTR port has not been configured.\nUse it.", "BTR port error",
                               MessageIcon::Exclamation, MessageButtons::Ok),
              MessageAnswer::Ok);
    EXPECT_EQ(host.message_box("Save?", "", MessageIcon::None, MessageButtons::YesNoCancel),
              MessageAnswer::Yes);
    EXPECT_EQ(host.message_box("Go?", "Q", MessageIcon::None, MessageButtons::OkCancel),
              MessageAnswer::Ok);
    EXPECT_EQ(errors.str(),
              "BTR port error: BTR port has not been configured. / Use it.\n"
              "Feedrite: Save?\n"
              "Q: Go?\n");
}

}  // namespace
}  // namespace feedrite
