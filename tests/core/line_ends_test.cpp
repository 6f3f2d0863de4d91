#include "core/line_ends.h"

#include <gtest/gtest.h>

#include "core/display_text.h"
#include "core/window_math.h"

namespace feedrite {
namespace {

// What saving gives for a loaded view (the save tests cover the plain styles).
TEST(LineEnds, StyleAndEnding) {
    const auto saved = [](const char* file, const char* view) {
        return with_line_ends(view, line_ends_of(file));
    };
    EXPECT_EQ(saved("N1\n\n\n", "N1\r\n"), "N1\n\n\n");                    // empty lines at the end
    EXPECT_EQ(saved("N1\nN2\nN3\r\n", "A\r\nB\r\nC\r\n"), "A\nB\nC\r\n");  // most lines LF
    EXPECT_EQ(saved("N1\nN2\r\n", "A\r\nB\r\n"), "A\r\nB\r\n");            // a tie goes to CR LF
    EXPECT_EQ(saved("N1\nN2\n", "N1\r\nN2"), "N1\nN2");  // a final break deleted stays deleted
    EXPECT_EQ(saved("", "\r\n"), "");
}

TEST(DisplayText, FileNamesInUtf8AreToldFromLatin1) {
    for (const char* utf8 : {"/home/d\xC3\xA9placement/p.nc", "\xE2\x82\xAC \xF0\x9F\x98\x80"})
        EXPECT_TRUE(reads_as_utf8(utf8)) << utf8;
    // ASCII, Latin-1, cut short, overlong "/", a surrogate
    for (const char* other : {"ASCII", "d\xE9p", "\xC3", "\xC0\xAF", "\xED\xA0\x80"})
        EXPECT_FALSE(reads_as_utf8(other)) << other;
    EXPECT_EQ(latin1_for_view("/d\xC3\xA9p \xE2\x82\xAC"), "/d\xE9p ?");  // the view is Latin-1
}

// The main window and the Virtual control never cover each other.
TEST(WindowMath, SideBySide) {
    const auto placed = [](Box area) { return side_by_side(area, 900, 650, 640, 16, 420); };
    EXPECT_EQ(placed({100, 30, 1920, 1000}).control,
              (Box{1198, 205, 640, 650}));  // both fit: centred
    EXPECT_EQ(placed({0, 0, 1366, 700}).control,
              (Box{916, 25, 450, 650}));                                // the control gives way
    EXPECT_EQ(placed({0, 0, 1024, 700}).main, (Box{0, 25, 588, 650}));  // then the main window
    EXPECT_EQ(placed({0, 0, 1024, 700}).control, (Box{604, 25, 420, 650}));
}

}  // namespace
}  // namespace feedrite
