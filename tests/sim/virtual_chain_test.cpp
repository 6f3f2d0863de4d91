// The engine clocking blocks into the virtual control: what the control reads
// is what was meant, under every code set, or visibly wrong when the wiring
// does not match.

#include <gtest/gtest.h>

#include "btr/character_output.h"
#include "sim/virtual_control.h"
#include "sim/virtual_port.h"
#include "btr/port_start.h"
#include "tests/support/engine_fixture.h"

namespace feedrite {
namespace {

struct Chain {
    explicit Chain(VirtualControlSettings control_settings)
        : control(control_settings) {
        port.connect(&control);
    }
    VirtualPort port;
    VirtualControl control;
};

std::string read_back(const VirtualControl& control, int code_set) {
    std::string text;
    for (const LatchedCharacter& c : control.characters())
        if (const auto character = decode_character(c.code, code_set)) text += *character;
    return text;
}

int parity_errors(const VirtualControl& control) {
    int errors = 0;
    for (const Finding& finding : control.findings()) errors += finding.kind == FindingKind::ParityError;
    return errors;
}

TEST(VirtualChain, BlocksArriveAsMeant) {
    for (const bool remex : {false, true}) {
        for (const int code : {0, 3}) {
            SCOPED_TRACE(::testing::Message() << "code " << code << (remex ? " remex" : ""));
            testing::EngineFixture f;
            f.settings.BTRcode = static_cast<std::int16_t>(code);
            f.settings.BTReob = "\n";
            f.settings.Remex_async = remex;
            f.settings.Data_logic = false;  // every polarity undone by the control alike
            f.settings.Sprocket_logic = false;
            Chain chain(VirtualControlSettings::matching(f.settings));
            Engine engine{f.state, f.settings, chain.port, f.host, f.view};
            ASSERT_TRUE(port_start_up(chain.port, f.settings).ok());
            BTRsendline(engine, "N10 G1 X-2.5 (CUT)", true, false);
            EXPECT_EQ(read_back(chain.control, code), "N10 G1 X-2.5 (CUT)\n");
            EXPECT_EQ(parity_errors(chain.control), 0);
        }
    }
}

TEST(VirtualChain, AControlWiredTheOtherWayReadsSomethingElse) {
    struct Case {
        const char* name;
        int device_code;
        void (*miswire)(VirtualControlSettings&);
        const char* read;
        int parity_errors;
    };
    const Case cases[] = {
        // Every bit inverted: wrong characters, parity still even.
        {"data polarity", 0, [](VirtualControlSettings& c) { c.Data_logic = false; }, "8N", 0},
        // EIA codes carry odd parity.
        {"EIA read as ISO", 3, [](VirtualControlSettings& c) { c.code = ISO_even; }, "g\x01", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::EngineFixture f;
        f.settings.BTRcode = static_cast<std::int16_t>(c.device_code);
        VirtualControlSettings wrong = VirtualControlSettings::matching(f.settings);
        c.miswire(wrong);
        Chain chain(wrong);
        Engine engine{f.state, f.settings, chain.port, f.host, f.view};
        ASSERT_TRUE(port_start_up(chain.port, f.settings).ok());
        BTRsendline(engine, "G1", false, false);
        EXPECT_EQ(read_back(chain.control, wrong.code), c.read);
        EXPECT_EQ(parity_errors(chain.control), c.parity_errors);
    }
}

}  // namespace
}  // namespace feedrite
