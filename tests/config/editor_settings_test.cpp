#include "config/editor_settings.h"

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

// Only exact whole numbers count; background 3 leaves the background alone.
TEST(EditorSettings, PresentationCodes) {
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255},
        black{0, 0, 0};
    const struct {
        double fore, back;
        std::int16_t size;
        std::optional<Rgb> text, background;
        std::optional<int> points;
    } cases[] = {
        {1, 1, 1, green, black, 12},  // the defaults
        {0, 0, 3, red, white, 19},
        {2, 2, 2, blue, blue, 15},
        {3, 3, 0, white, std::nullopt, 10},
        {4, -1, 4, black, std::nullopt, std::nullopt},
        {1.5, 0.999, -1, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.fore << " " << c.back << " " << c.size);
        const Presentation p = presentation_for(c.fore, c.back, c.size);
        EXPECT_EQ(p.text_color, c.text);
        EXPECT_EQ(p.background, c.background);
        EXPECT_EQ(p.font_points, c.points);
    }
}

}  // namespace
}  // namespace feedrite
