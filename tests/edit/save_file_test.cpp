#include "edit/save_file.h"

#include <gtest/gtest.h>

#include "app/toolkit/plain_text_view.h"
#include "config/file_io.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

class SaveFileTest : public ::testing::Test {
  protected:
    SaveFileTest() {
        state.filename = dir.file("part.nc");
        view.set_text("%\r\nN1 X1\r\n%");
    }
    bool save() { return Save_file(view, state, module, settings, host); }

    testing::TempDir dir;
    WindowState state;
    ModuleState module;
    PortSettings settings;
    testing::ScriptedHost host;
    PlainTextView view;
};

TEST_F(SaveFileTest, RefusesACopyThatIsNotTheFile) {
    settings.Replace_text = "X";
    module.CALL_expanded = true;
    EXPECT_FALSE(save());
    ASSERT_EQ(host.messages.size(), 1u);  // only the first reason
    EXPECT_EQ(host.messages[0].title, "Sorry ..");
    EXPECT_EQ(host.messages[0].text,
              "Can't save edited file. Some text has been modified during the load process");
    settings.Replace_text.clear();
    EXPECT_FALSE(save());
    EXPECT_EQ(host.messages[1].text,
              "Can't save edited file. CALL statement was executed during the load process");
    EXPECT_EQ(dir.read("part.nc"), "<missing>");
}

TEST_F(SaveFileTest, AsksBeforeOverwriting) {
    dir.write("part.nc", "old");
    host.answers = {MessageAnswer::No};
    EXPECT_FALSE(save());
    EXPECT_EQ(dir.read("part.nc"), "old");
    EXPECT_EQ(host.messages[0].title, "Overwrite?");
    EXPECT_EQ(
        host.messages[0].text,
        "File " + state.filename + " already exists.\nOverwrite original file with edited data?");
    EXPECT_EQ(host.messages[0].buttons, MessageButtons::YesNo);

    host.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(save());
    EXPECT_EQ(dir.read("part.nc"), "%\r\nN1 X1\r\n%");
}

TEST_F(SaveFileTest, ANewFileIsWrittenWithoutAsking) {
    EXPECT_TRUE(save());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(dir.read("part.nc"), "%\r\nN1 X1\r\n%");
}

TEST_F(SaveFileTest, LeaderAndTrailerAreRemovedOnlyAsExactCopies) {
    struct Case {
        const char *leader, *trailer, *text, *saved;
    };
    const Case cases[] = {
        {"%", "%", "%\r\nN1\r\n%", "\r\nN1\r\n"},
        {"%LF", "", "%\r\nN1", "%\r\nN1"},  // the stored text, not its expansion
        {"%", "", "O1\r\n%", "O1\r\n%"},
        {"", "TRAILER LONGER THAN TEXT", "N1", "N1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        settings.BTRleader = c.leader;
        settings.BTRtrailer = c.trailer;
        view.set_text(c.text);
        remove_file(state.filename);
        EXPECT_TRUE(save());
        EXPECT_EQ(dir.read("part.nc"), c.saved);
        EXPECT_EQ(view.text(), c.saved);  // the view itself changes too
    }
}

TEST_F(SaveFileTest, AFailedWriteSaysWhyAndKeepsTheOriginal) {
    state.filename = dir.file("no such folder/part.nc");
    EXPECT_FALSE(save());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Save failed");
    EXPECT_NE(host.messages[0].text.find(state.filename), std::string::npos);
    EXPECT_NE(host.messages[0].text.find("no such file or folder"), std::string::npos);
}

}  // namespace
}  // namespace feedrite
