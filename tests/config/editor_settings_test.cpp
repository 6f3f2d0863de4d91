#include "config/editor_settings.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::TempDir;

// The codes a settings file gives (a missing file, three lines and one line
// are read end to end by the main window's test).
TEST(EditorSettings, FileContentsGiveTheseCodes) {
    const std::tuple<const char*, const char*, double, double, int> cases[] = {
        {"blanks and trailing text", "  2 x\r\n 1.5\r\n  0  \r\n", 2, 1.5, 0},
        {"no number reads as 0", "red\r\nblack\r\nbig\r\n", 0, 0, 0},
        {"size rounds halves to even", "1\r\n1\r\n2.5\r\n", 1, 1, 2},
        {"3.5 rounds to 4", "1\r\n1\r\n3.5\r\n", 1, 1, 4},
        {"size outside 16 bits stops there", "3\r\n2\r\n70000\r\n", 3, 2, 1},
        {"LF line ends", "0\n2\n1\n", 0, 2, 1},
        {"binary garbage", "\x01\x02\xff\xfe", 0, 1, 1},
    };
    for (const auto& [name, content, fore, back, size] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        dir.write("settings.edt", content);
        WindowState state;
        state.master_fore_color = 7;  // must be reset to 1 first
        read_editor_settings(editor_settings_path(dir.path()), state);
        EXPECT_EQ(state.master_fore_color, fore);
        EXPECT_EQ(state.master_back_color, back);
        EXPECT_EQ(state.master_font_size, size);
    }
}

// Only exact whole numbers count; background 3 leaves the background alone
// (the defaults and 0 0 3 are shown by the main window's test).
TEST(EditorSettings, PresentationCodes) {
    const Rgb blue{0, 0, 255}, white{255, 255, 255}, black{0, 0, 0};
    const struct {
        double fore, back;
        std::int16_t size;
        std::optional<Rgb> text, background;
        std::optional<int> points;
    } cases[] = {
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
