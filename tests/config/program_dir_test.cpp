#include "config/program_dir.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

ProgramDirFacts facts(bool writable, bool holds) {
    return {"/opt/feedrite/bin", "", "", "/home/ann",
            [writable](const std::string&) { return writable; },
            [holds](const std::string&) { return holds; }};
}

TEST(ProgramDir, Choice) {
    ProgramDirFacts f = facts(true, false);
    EXPECT_EQ(choose_program_dir(f), "/opt/feedrite/bin");

    f = facts(false, true);  // an install that already keeps its settings there
    EXPECT_EQ(choose_program_dir(f), "/opt/feedrite/bin");

    f = facts(false, false);
    EXPECT_EQ(choose_program_dir(f), "/home/ann/.config/feedrite");
    f.xdg_config_home = "/cfg/";
    EXPECT_EQ(choose_program_dir(f), "/cfg/feedrite");

    f.override_dir = "/tmp/x//";
    EXPECT_EQ(choose_program_dir(f), "/tmp/x");
}

TEST(ProgramDir, SettingsFilesAreRecognised) {
    testing::TempDir dir;
    EXPECT_FALSE(holds_settings_files(dir.path()));
    dir.write("part.nc", "G0");
    EXPECT_FALSE(holds_settings_files(dir.path()));
    dir.write("Editor BTR port settings for MILL", "");
    EXPECT_TRUE(holds_settings_files(dir.path()));
    EXPECT_FALSE(holds_settings_files(dir.file("missing")));
}

TEST(ProgramDir, OverrideIsCreated) {
    testing::TempDir dir;
    const std::string wanted = dir.file("new/settings");
    EXPECT_EQ(resolve_program_dir(wanted + "/"), wanted);
    EXPECT_TRUE(std::filesystem::is_directory(wanted));
}

}  // namespace
}  // namespace feedrite
