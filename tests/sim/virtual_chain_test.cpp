// The engine clocking blocks into the virtual control: what the control reads
// is what was meant, under every code set, or visibly wrong when the wiring
// does not match.

#include <gtest/gtest.h>

#include "btr/character_output.h"
#include "btr/port_start.h"
#include "sim/virtual_control.h"
#include "sim/virtual_port.h"
#include "tests/support/engine_fixture.h"

namespace feedrite {
namespace {

TEST(VirtualChain, TheControlReadsWhatWasMeantUnlessWiredTheOtherWay) {
    using Wiring = void (*)(VirtualControlSettings&);
    const Wiring matching = [](VirtualControlSettings&) {};
    const struct {
        int code;
        bool remex;
        Wiring wiring;
        std::string_view sent, read;
        int parity_errors;
    } cases[] = {
        // (ISO and EIA without Remex under positive logic: the sample programs.)
        {0, true, matching, "N10 G1 X-2.5 (CUT)", "N10 G1 X-2.5 (CUT)\n", 0},
        {3, true, matching, "N10 G1 X-2.5 (CUT)", "N10 G1 X-2.5 (CUT)\n", 0},
        // Every bit inverted: wrong characters, parity still even.
        {0, false, [](VirtualControlSettings& c) { c.Data_logic = true; }, "G1", "8Nu", 0},
        // EIA codes carry odd parity; the end of block 0x80 reads as NUL.
        {3, false, [](VirtualControlSettings& c) { c.code = ISO_even; }, "G1",
         std::string_view("g\x01\0", 3), 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.code << (c.remex ? " remex " : " ") << c.read);
        testing::EngineFixture f;
        f.settings.BTRcode = static_cast<std::int16_t>(c.code);
        f.settings.Remex_async = c.remex, f.settings.BTReob = "\n";
        f.settings.Data_logic = false;  // every polarity undone by the control alike
        f.settings.Sprocket_logic = false;
        VirtualControlSettings wiring = VirtualControlSettings::matching(f.settings);
        c.wiring(wiring);
        VirtualControl control(wiring);
        VirtualPort port;
        port.connect(&control);
        Engine engine{f.state, f.settings, port, f.host, f.view};
        ASSERT_TRUE(port_start_up(port, f.settings).ok());
        BTRsendline(engine, c.sent, true, false);
        std::string read;
        int parity_errors = 0;
        for (const LatchedCharacter& l : control.characters())
            if (const auto character = decode_character(l.code, wiring.code)) read += *character;
        for (const Finding& finding : control.findings())
            parity_errors += finding.kind == FindingKind::ParityError;
        EXPECT_EQ(read, c.read);
        EXPECT_EQ(parity_errors, c.parity_errors);
    }
}

}  // namespace
}  // namespace feedrite
