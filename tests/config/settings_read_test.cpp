// Both readers of a port settings file: the send driver's and the dialog's.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "config/port_settings_reader.h"
#include "config/settings_loader.h"
#include "tests/config/config_test_files.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::sample_settings;

struct Readers {
    testing::TempDir dir;
    testing::ScriptedHost host;
    ConfigModel model{host};
    PortSettings record;
    bool calls = false, driver_ok = false, dialog_ok = false;

    // No bytes: the file does not exist.
    void read(const std::optional<std::string>& bytes) {
        const auto path = bytes ? dir.write("settings", *bytes) : dir.file("settings");
        driver_ok = read_port_settings(path, record, calls);
        dialog_ok = load_settings(model, path, host);
    }
};

TEST(SettingsRead, TwentyThreeLinesGiveTheOptionalDefaultsInBothReaders) {
    Readers r;
    r.model.set_ticked(Tick::Chk_Data_Neg, true);
    r.model.set_ticked(Tick::Chk_long_files, true);
    r.model.Replace_txt = r.record.Replace_text = "old";
    r.record.Ready_logic = false;
    r.read(sample_settings({}, 23));

    ASSERT_TRUE(r.driver_ok && r.dialog_ok);
    EXPECT_TRUE(r.host.messages.empty());
    for (const Tick box :
         {Tick::Chk_Data_Pos, Tick::Chk_Sprocket_Pos, Tick::Chk_RunStop_Pos, Tick::Chk_ready_pos})
        EXPECT_TRUE(r.model.ticked(box));
    EXPECT_FALSE(r.model.ticked(Tick::Chk_Async) || r.model.ticked(Tick::Chk_long_files));
    EXPECT_EQ(r.model.Replace_txt + r.model.Replace_with_txt, "");
    const PortSettings& s = r.record;
    EXPECT_TRUE(s.Data_logic && s.Sprocket_logic && s.RunStop_logic && s.Ready_logic);
    EXPECT_FALSE(s.Remex_async || s.Send_long_file);
    EXPECT_EQ(s.Replace_text + s.Replace_with_text, "");
}

TEST(SettingsRead, UnusableRequiredLinesFailBothReaders) {
    struct Case {
        const char* name;
        std::optional<std::string> bytes;
        bool driver_accepts;
    };
    const Case cases[] = {
        {"no file", std::nullopt, false},
        {"binary junk", std::string("\x00\xFF\r\x1A", 4), false},
        {"22 lines", sample_settings({}, 22), false},
        {"delay overflows", sample_settings({{2, "1E999"}}), false},
        {"address beyond 32 bits", sample_settings({{11, " 3000000000"}}), false},
        {"code beyond 16 bits", sample_settings({{14, " 40000"}}), false},
        {"end of block beyond 16 bits", sample_settings({{15, " -40000"}}), false},
        {"port index the list rejects", sample_settings({{1, " 5"}}), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Readers r;
        r.record.BTRaddress = 123;
        r.model.IO_device_lst.push_back("Mill");
        r.model.IO_device_index = 1;
        r.read(c.bytes);
        EXPECT_EQ(r.driver_ok, c.driver_accepts);
        EXPECT_EQ(r.record.BTRaddress, c.driver_accepts ? 760 : 123);  // untouched on failure
        EXPECT_FALSE(r.dialog_ok);
        testing::expect_one_message(r.host,
                                    "Unable to read from file\n" + r.dir.file("settings") +
                                        "\nUsing default BTR port configuration",
                                    "File read error", MessageIcon::Exclamation);
        EXPECT_EQ(r.model.IO_device_index, 1);  // the device stays selected
        EXPECT_EQ(r.model.LPT_index(), 0);      // with the default configuration
        EXPECT_EQ(r.model.address, 888.0f);
        EXPECT_EQ(r.model.leader_txt, "%LF");
        EXPECT_TRUE(r.model.ticked(Tick::chk_even) && r.model.ticked(Tick::chk_LF));
    }
}

TEST(SettingsRead, EveryLineBreakKindReadsTheSame) {
    const std::pair<const char*, const char*> breaks[] = {
        {"CR LF", "\r\n"}, {"LF", "\n"}, {"CR", "\r"}};
    for (const auto& [name, separator] : breaks) {
        SCOPED_TRACE(name);
        std::string bytes;
        for (const auto& line : testing::sample_settings_lines()) bytes += line + separator;
        Readers r;
        r.read(bytes);
        ASSERT_TRUE(r.driver_ok && r.dialog_ok);
        EXPECT_EQ(r.record.BTRformat + r.record.BTReob + r.record.Replace_with_text,
                  "#.###\r\nG04");
        EXPECT_TRUE(r.record.Send_long_file && r.model.ticked(Tick::Chk_long_files));
        EXPECT_EQ(r.model.Replace_with_txt, "G04");
    }
}

TEST(SettingsRead, SendDriverRoundsCodesHalvesToEven) {
    struct Case {
        std::string code_line;
        int code;
        std::string eob_line;
        const char* eob;
    };
    const Case cases[] = {{" 7", 7, " 0", "\n"},       {" 3", 3, " 1", "\r"},
                          {" 0", 0, " 2", "\n\r"},     {" 0", 0, " 3", "\r\n"},
                          {" 2.5", 2, " 2.5", "\n\r"}, {" 3.5", 4, " 3.5", ""},
                          {" 0", 0, " 9", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code_line + " /" + c.eob_line);
        Readers r;
        r.read(sample_settings({{14, c.code_line}, {15, c.eob_line}}));
        ASSERT_TRUE(r.driver_ok);
        EXPECT_EQ(r.record.BTRcode, c.code);
        EXPECT_EQ(r.record.BTReob, c.eob);
    }
}

TEST(SettingsRead, DialogShowsEachLineOnItsControl) {
    using enum Tick;
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::string>> changes;
        std::vector<Tick> on, off;
        const char* address_txt;
        bool address_enabled;
    };
    // clang-format off
    const Case cases[] = {
        {"port 4 opens the address box", {}, {chk_even, chk_CRLF}, {chk_EIA}, "2F8", true},
        {"port 2 closes it", {{1, " 2"}}, {}, {}, "2F8", false},
        {"888 shows 378", {{11, " 888"}}, {}, {}, "378", true},
        {"1000 shows 3E8", {{11, " 1000"}}, {}, {}, "3E8", true},
        {"888.5 rounds to even", {{11, " 888.5"}}, {}, {}, "378", true},
        {"no number reads as 0", {{11, "x378"}}, {}, {}, "0", true},
        {"code 7, end of block 9", {{14, " 7"}, {15, " 9"}}, {},
         {chk_EIA, chk_even, chk_LF, chk_CR, chk_LFCR, chk_CRLF}, "2F8", true},
        {"EIA locks CR/LF ticked", {{14, " 3"}}, {chk_EIA, chk_CRLF}, {chk_even}, "2F8", true},
        {"options off", {{21, " 0"}, {22, " 2"}, {23, " .5"}}, {},
         {Chk_calls, Chk_comments, Chk_format}, "2F8", true},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Readers r;
        r.read(sample_settings(c.changes));
        ASSERT_TRUE(r.dialog_ok);
        for (const Tick box : c.on) EXPECT_TRUE(r.model.ticked(box)) << static_cast<int>(box);
        for (const Tick box : c.off) EXPECT_FALSE(r.model.ticked(box)) << static_cast<int>(box);
        EXPECT_EQ(r.model.address_txt, c.address_txt);
        EXPECT_EQ(r.model.address_txt_enabled, c.address_enabled);
        EXPECT_EQ(r.model.eob_enabled(), !r.model.ticked(chk_EIA));
    }
}

TEST(SettingsRead, OptionalLinesStopSilentlyAtTheFirstGap) {
    struct Case {
        const char* name;
        std::string bytes;
        std::function<void(const Readers&)> check;
    };
    const Case cases[] = {
        {"ends after line 24", sample_settings({}, 24),
         [](const Readers& r) {
             EXPECT_TRUE(r.model.ticked(Tick::Chk_Data_Neg) &&
                         r.model.ticked(Tick::Chk_RunStop_Pos));
             EXPECT_TRUE(!r.record.Data_logic && r.record.RunStop_logic);
         }},
        {"line 28 overflows", sample_settings({{28, "1E999"}}),
         [](const Readers& r) {
             EXPECT_TRUE(r.model.ticked(Tick::Chk_RunStop_Neg) && !r.record.RunStop_logic);
             EXPECT_FALSE(r.model.ticked(Tick::Chk_Async) || r.model.ticked(Tick::Chk_long_files));
             EXPECT_FALSE(r.record.Remex_async || r.record.Send_long_file);
             EXPECT_EQ(r.model.Replace_txt + r.record.Replace_text, "");
         }},
        {"line 31 holds 2", sample_settings({{31, " 2 "}}),
         [](const Readers& r) {
             EXPECT_FALSE(r.model.ticked(Tick::Chk_long_files));  // the box takes 0 or 1 only
             EXPECT_EQ(r.model.Replace_txt, "G4");
             EXPECT_TRUE(r.record.Send_long_file);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Readers r;
        r.read(c.bytes);
        ASSERT_TRUE(r.driver_ok && r.dialog_ok);
        EXPECT_TRUE(r.host.messages.empty());
        c.check(r);
    }
}

}  // namespace
}  // namespace feedrite
