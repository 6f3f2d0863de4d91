#include "btr/port/virtual_control.h"

#include <gtest/gtest.h>

#include "tests/btr/port/control_bench.h"

namespace feedrite {
namespace {

using testing::Bench;
using Bytes = std::vector<std::uint8_t>;

TEST(VirtualControl, ReadsIsoAndEiaCharactersUnderEveryMatchingPolarity) {
    const std::string_view text = "%\nG01 X-1.5\n";
    for (const CodeSet set : {ISO_even, EIA_RS244})
        for (const bool data : {true, false})
            for (const bool sprocket : {true, false}) {
                SCOPED_TRACE(::testing::Message() << set << data << sprocket);
                VirtualControlSettings settings;
                settings.Data_logic = data;
                settings.Sprocket_logic = sprocket;
                settings.code = set;
                Bench bench(settings, {data, sprocket});
                bench.start();
                bench.send_text(text, set);
                Bytes expected;
                for (const unsigned char c : text) expected.push_back(code_table()[set][c]);
                EXPECT_EQ(bench.control.bytes(), expected);
                EXPECT_TRUE(bench.kinds().empty());
            }
}

TEST(VirtualControl, PolarityMismatchGivesWrongBytes) {
    Bench data_mismatch({}, {.data = false});
    data_mismatch.start();
    data_mismatch.send_text("G1", ISO_even);
    EXPECT_EQ(data_mismatch.control.bytes(), (Bytes{0x47 ^ 0xFF, 0xB1 ^ 0xFF}));
    Bench sprocket_mismatch({}, {.sprocket = false});
    sprocket_mismatch.start();  // the sender's "inactive" is active to this control
    sprocket_mismatch.send_text("G1", ISO_even);
    EXPECT_EQ(sprocket_mismatch.control.bytes(), (Bytes{0x00, 0x47, 0xB1}));
}

TEST(VirtualControl, MeasuresEachCharacterEdgesAndTheRate) {
    Bench bench;
    bench.start();
    EXPECT_TRUE(bench.control.ready_on()) << "start-up clears bit 0: pin 1 high";
    bench.control.clear_record();
    bench.send_text("N10", ISO_even, {.overlap = 0.6, .on = 2.2, .rest = 0.5, .off = 1.7});
    const CharacterFigures figures = figures_of(bench.control.characters()[1]);
    EXPECT_NEAR(*figures.data_on_ms, 3.3, 1e-6);
    EXPECT_NEAR(*figures.sprocket_on_ms, 2.2, 1e-6);
    EXPECT_NEAR(figures.overlap_ms, 0.6, 1e-6);
    EXPECT_NEAR(*characters_per_second(bench.control.characters()), 200.0, 1e-6);  // 5 ms each
    std::vector<int> pins;
    for (const PinEdge& edge : bench.control.edges())
        pins.push_back(edge.pin * (edge.high ? 1 : -1));
    ASSERT_GE(pins.size(), 12u);  // 'N' is 0x4E: pins 3, 4, 5 and 8
    EXPECT_EQ(std::vector<int>(pins.begin(), pins.begin() + 12),
              (std::vector<int>{3, 4, 5, 8, 16, 17, -16, -17, -3, -4, -5, -8}));
}

}  // namespace
}  // namespace feedrite
