#include "app/editor_settings.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::TempDir;

TEST(EditorSettings, FileContentsGiveTheseCodes) {
    struct Case {
        const char* name;
        const char* content;  // nullptr: no file at all
        double fore, back;
        int size;
    };
    const Case cases[] = {
        {"no file", nullptr, 1, 1, 1},
        {"three lines", "0\r\n0\r\n3\r\n", 0, 0, 3},
        {"one line only", "2\r\n", 2, 1, 1},
        {"blanks and trailing text", "  2 x\r\n 1.5\r\n  0  \r\n", 2, 1.5, 0},
        {"no number reads as 0", "red\r\nblack\r\nbig\r\n", 0, 0, 0},
        {"size rounds halves to even", "1\r\n1\r\n2.5\r\n", 1, 1, 2},
        {"3.5 rounds to 4", "1\r\n1\r\n3.5\r\n", 1, 1, 4},
        {"size outside 16 bits stops there", "3\r\n2\r\n70000\r\n", 3, 2, 1},
        {"LF line ends", "0\n2\n1\n", 0, 2, 1},
        {"binary garbage", "\x01\x02\xff\xfe", 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.content != nullptr) dir.write("settings.edt", c.content);
        WindowState state;
        state.master_fore_color = 7;  // must be reset to 1 first
        read_editor_settings(editor_settings_path(dir.path()), state);
        EXPECT_EQ(state.master_fore_color, c.fore);
        EXPECT_EQ(state.master_back_color, c.back);
        EXPECT_EQ(state.master_font_size, c.size);
    }
}

TEST(EditorSettings, PathIsInTheProgramDirectory) {
    EXPECT_EQ(editor_settings_path("/opt/feedrite"), "/opt/feedrite/settings.edt");
}

TEST(EditorSettings, PresentationCodes) {
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255},
        black{0, 0, 0};
    // The defaults: green on black at 12 points.
    Presentation p = presentation_for(1, 1, 1);
    EXPECT_EQ(p.text_color, green);
    EXPECT_EQ(p.background, black);
    EXPECT_EQ(p.font_points, 12);

    p = presentation_for(0, 0, 3);
    EXPECT_EQ(p.text_color, red);
    EXPECT_EQ(p.background, white);
    EXPECT_EQ(p.font_points, 19);

    p = presentation_for(2, 2, 2);
    EXPECT_EQ(p.text_color, blue);
    EXPECT_EQ(p.background, blue);
    EXPECT_EQ(p.font_points, 15);

    p = presentation_for(3, 3, 0);
    EXPECT_EQ(p.text_color, white);
    EXPECT_FALSE(p.background.has_value());  // 3 leaves the background alone
    EXPECT_EQ(p.font_points, 10);

    p = presentation_for(4, -1, 4);
    EXPECT_EQ(p.text_color, black);
    EXPECT_FALSE(p.background.has_value());
    EXPECT_FALSE(p.font_points.has_value());

    // Only exact whole numbers count.
    p = presentation_for(1.5, 0.999, -1);
    EXPECT_FALSE(p.text_color.has_value());
    EXPECT_FALSE(p.background.has_value());
    EXPECT_FALSE(p.font_points.has_value());
}

}  // namespace
}  // namespace feedrite
