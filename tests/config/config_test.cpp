// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration dialog's model, the device list, and port settings files:
// read by the send driver and by the dialog, and saved by the dialog; the
// editor settings file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "config/config_model.h"
#include "config/device_list.h"
#include "config/editor_settings.h"
#include "config/port_settings_reader.h"
#include "config/settings_loader.h"
#include "config/settings_writer.h"
#include "config/window_places.h"
#include "tests/support/as_user.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::as_ordinary_user;
using testing::ScriptedHost;
using testing::TempDir;
using testing::told;
using Changes = std::vector<std::pair<int, std::string>>;  // 1-based line numbers

// Every value differs from its default, so a line that is read shows up.
const std::vector<std::string> sample_lines = {
    " 4",     " 1200",  " 800",    " 200",  " 10",  " 5000", "3.5",  "1.5", ".25",
    "1",      " 760.7", "%\xE9LF", "\xB0%", " 0",   " 3",    " 250", "12",  "M02 ",
    "; \xE9", "##.###", " 0",      " 1",    " 1",   " 0 ",   " 1 ",  " 0 ", " 1 ",
    " 1 ",    "A\xB0",  "B^M\xFF", " 1 ",   "9000", "3",     "0.5",  " 0 ", "500 0 300"};

// The sample with the given lines replaced, cut to `count` lines.
std::string sample(const Changes& changes = {}, std::size_t count = 36) {
    auto lines = sample_lines;
    for (const auto& [number, value] : changes) lines[static_cast<std::size_t>(number - 1)] = value;
    lines.resize(count);
    return join_lines_crlf(lines);
}

// '1' for each ticked box, '0' for each clear one.
std::string ticks(const ConfigModel& m, std::initializer_list<Tick> boxes) {
    std::string bits;
    for (const Tick box : boxes) bits += m.ticked(box) ? '1' : '0';
    return bits;
}

// The optional lines as each reader holds them: the four polarities (1 is
// Positive), Async, the replace texts, the spool box and the rapid traverse rate.
std::string optional_lines(const PortSettings& s) {
    std::string bits;
    for (const bool on :
         {s.Data_logic, s.Sprocket_logic, s.RunStop_logic, s.Ready_logic, s.Remex_async})
        bits += on ? '1' : '0';
    return bits + "|" + s.Replace_text + "|" + s.Replace_with_text +
           (s.Send_long_file ? "|1|" : "|0|") +
           std::to_string(static_cast<int>(s.rapid_mm_per_min));
}
std::string optional_lines(const ConfigModel& m) {
    using enum Tick;
    return ticks(m, {Chk_Data_Pos, Chk_Sprocket_Pos, Chk_RunStop_Pos, Chk_ready_pos, Chk_Async}) +
           "|" + m.Replace_txt + "|" + m.Replace_with_txt + "|" + ticks(m, {Chk_long_files}) + "|" +
           m.Rapid_rate_txt;
}

TEST(ConfigModel, PortListSetsFixedAddressesOrOpensTheBox) {
    const std::pair<const char*, float> shown[] = {
        {"378", 888}, {"278", 632}, {"3E8", 1000}, {"2E8", 744}, {"????", 123}};
    ScriptedHost host;
    ConfigModel m(host);
    EXPECT_FALSE(m.choose_port(5) || m.choose_port(-1));
    EXPECT_EQ(m.LPT_index(), -1);
    for (int index = 0; index <= LPT_other; ++index) {
        SCOPED_TRACE(LPT_items[static_cast<std::size_t>(index)]);
        m.address = 123;  // "Other!" leaves it for the user to type
        m.address_txt_enabled = index != LPT_other;
        ASSERT_TRUE(m.choose_port(index));
        EXPECT_EQ(m.LPT_index(), index);
        EXPECT_EQ(m.address_txt, shown[index].first);
        EXPECT_EQ(m.address, shown[index].second);
        EXPECT_EQ(m.address_txt_enabled, index == LPT_other);
    }
}

// ISO with one end-of-block box, then EIA: clearing that box under EIA warns,
// except LF/CR, which the ISO box's reaction may tick itself.
TEST(ConfigModel, TickingEiaClearsAndLocksTheEndOfBlockBoxes) {
    const std::pair<Tick, int> cases[] = {
        {Tick::chk_LF, 1}, {Tick::chk_CR, 1}, {Tick::chk_CRLF, 1}, {Tick::chk_LFCR, 0}};
    for (const auto& [box, beeps] : cases) {
        SCOPED_TRACE(static_cast<int>(box));
        ScriptedHost host;
        ConfigModel m(host);
        m.set_ticked(Tick::chk_even, true);
        EXPECT_TRUE(m.ticked(Tick::chk_LFCR));  // the fallback when none is ticked
        m.set_ticked(box, true);
        for (const Tick eob : eob_boxes) EXPECT_EQ(m.ticked(eob), eob == box);  // one of four
        m.set_ticked(Tick::chk_EIA, true);
        EXPECT_EQ(host.beeps, beeps);
        EXPECT_FALSE(m.ticked(Tick::chk_even));
        for (const Tick eob : eob_boxes) EXPECT_FALSE(m.ticked(eob));
        EXPECT_FALSE(m.eob_enabled());

        m.set_ticked(Tick::chk_CR, true);  // under EIA: a warning, the tick stays
        EXPECT_EQ(host.beeps, beeps + 1);
        EXPECT_TRUE(m.ticked(Tick::chk_CR));

        m.set_ticked(Tick::chk_even, true);
        EXPECT_FALSE(m.ticked(Tick::chk_EIA));
        EXPECT_TRUE(m.eob_enabled() && m.ticked(Tick::chk_CR) && !m.ticked(Tick::chk_LFCR));
    }
}

TEST(ConfigModel, EachPolarityPairHoldsExactlyOneTick) {
    const std::pair<Tick, Tick> pairs[] = {{Tick::Chk_Data_Pos, Tick::Chk_Data_Neg},
                                           {Tick::Chk_Sprocket_Pos, Tick::Chk_Sprocket_Neg},
                                           {Tick::Chk_RunStop_Pos, Tick::Chk_RunStop_Neg},
                                           {Tick::Chk_ready_pos, Tick::Chk_ready_neg}};
    ScriptedHost host;
    ConfigModel m(host);
    for (const auto& [positive, negative] : pairs) {
        SCOPED_TRACE(static_cast<int>(positive));
        EXPECT_TRUE(m.ticked(positive) && !m.ticked(negative));
        const std::pair<Tick, bool> clicks[] = {
            {positive, false}, {negative, false}, {negative, true}, {positive, true}};
        for (const auto& [box, on] : clicks) {
            m.set_ticked(box, on);
            EXPECT_TRUE(m.ticked(box) == on && m.ticked(positive) != m.ticked(negative));
        }
    }
}

// Names are taken as written: blanks and case count, duplicates stay.
TEST(DeviceList, ReadingAndRemovingTakeNamesAsWritten) {
    TempDir dir;
    ScriptedHost host;
    ConfigModel m(host);
    m.IO_device_lst.push_back("stale");
    m.IO_device_index = 1;
    read_device_list(m, dir.path());  // no file
    EXPECT_EQ(m.IO_device_lst, std::vector<std::string>{"(default)"});
    EXPECT_EQ(m.IO_device_index, 0);
    dir.write("Editor BTR device list", "(default)\r\nM 1 \r\n\r\nLathe\nM 1 \rm 1 \r\nM 1");
    read_device_list(m, dir.path());  // empty lines skipped
    EXPECT_EQ(m.IO_device_lst, (std::vector<std::string>{"(default)", "(default)", "M 1 ", "Lathe",
                                                         "M 1 ", "m 1 ", "M 1"}));

    for (const char* name : {"", " for M 1 ", " for M 1"})
        dir.write(std::string("Editor BTR port settings") + name, "x");
    EXPECT_FALSE(remove_device(dir.path(), "(default)", host));  // never removed
    ASSERT_TRUE(remove_device(dir.path(), "M 1 ", host));
    EXPECT_EQ(dir.read("Editor BTR device list"), "(default)\r\n\r\nLathe\r\nm 1 \r\nM 1\r\n");
    EXPECT_EQ(dir.read("Editor BTR port settings for M 1 "), "<missing>");
    EXPECT_EQ(dir.read("Editor BTR port settings for M 1") + dir.read("Editor BTR port settings"),
              "xx");
    EXPECT_EQ(dir.read("Editor BTR device list (tempfile)"), "<missing>");
    EXPECT_TRUE(remove_device(dir.path(), "Lathe", host));  // it has no settings file
    EXPECT_EQ(dir.read("Editor BTR device list"), "(default)\r\n\r\nm 1 \r\nM 1\r\n");
    EXPECT_TRUE(host.messages.empty());
}

TEST(DeviceList, FailedUpdateKeepsListAndSettingsFile) {
    for (const bool list_exists : {true, false}) {
        SCOPED_TRACE(list_exists ? "temporary list blocked" : "no list file");
        TempDir dir;
        ScriptedHost host;
        if (list_exists) dir.write("Editor BTR device list", "Mill\r\n");
        dir.write("Editor BTR port settings for Mill", "x");
        // A folder in its place makes the temporary list unwritable, even for root.
        ASSERT_EQ(::mkdir(dir.file("Editor BTR device list (tempfile)").c_str(), 0755), 0);
        EXPECT_FALSE(remove_device(dir.path(), "Mill", host));
        EXPECT_EQ(host.messages, told("Cannot update I/O Device list file", "File write errror",
                                      MessageIcon::None));
        EXPECT_EQ(dir.read("Editor BTR device list"), list_exists ? "Mill\r\n" : "<missing>");
        EXPECT_EQ(dir.read("Editor BTR port settings for Mill"), "x");
    }
}

struct Readers {
    TempDir dir;
    ScriptedHost host;
    ConfigModel model{host};
    PortSettings record;
    bool calls = false, driver_ok = false, dialog_ok = false;

    // No bytes: the file does not exist.
    void read(const std::optional<std::string>& bytes) {
        const auto path = bytes ? dir.write("settings", *bytes) : dir.file("settings");
        const SettingsRead read = read_settings_file(path);
        driver_ok = read.settings.has_value();
        if (driver_ok) record = *read.settings, calls = record.use_calls;
        dialog_ok = load_settings(model, path, host);
    }
};

// Both readers take every line, whatever its line break; the dialog saves what
// it read unchanged.
TEST(SettingsRead, EveryLineReachesItsField) {
    std::string mixed;  // LF, CR and CR LF in turn
    for (std::size_t i = 0; i < sample_lines.size(); ++i)
        mixed += sample_lines[i] + (i % 3 == 0 ? "\n" : i % 3 == 1 ? "\r" : "\r\n");
    Readers r;
    r.read(mixed);
    ASSERT_TRUE(r.driver_ok && r.dialog_ok);
    const PortSettings& s = r.record;
    EXPECT_EQ(s.BTRportnumber, 5);
    EXPECT_EQ(s.BTRaddress, 761);
    EXPECT_EQ((std::vector{s.BTRdelay1, s.BTRdelay2, s.BTRdelay3, s.BTRdelay4, s.BTRdelay5}),
              (std::vector<double>{1200, 800, 200, 10, 5000}));
    EXPECT_EQ(s.BTRleader + "|" + s.BTRtrailer, "%\xE9LF|\xB0%");
    EXPECT_EQ(s.speed_cps, 250);
    EXPECT_EQ(s.BTRreset + "|" + s.BTRmask + "|" + s.BTRformat, "M02 |; \xE9|##.###");
    EXPECT_EQ(optional_lines(s), "01011|A\xB0|B^M\xFF|1|9000");
    ASSERT_TRUE(saveit(r.model, r.dir.file("saved"), r.dir.path(), r.host));
    EXPECT_EQ(r.dir.read("saved"), sample());  // " 760.7": the digits a float address holds
    EXPECT_TRUE(r.host.messages.empty());
}

// One reader, one set of rules: a file the driver refuses is not configured;
// the dialog takes every other line, names the bad one, and keeps its default.
TEST(SettingsRead, UnusableRequiredLinesFailBothReaders) {
    const std::tuple<const char*, std::optional<std::string>, const char*> cases[] = {
        {"no file", std::nullopt, nullptr},
        {"22 lines", sample({}, 22), "line 23"},
        {"delay overflows", sample({{2, "1E999"}}), "line 2"},
        {"count past the delay loop's 32 bits", sample({{6, " 2147483648"}}), "line 6"},
        {"negative count", sample({{4, "-1"}}), "line 4"},
        {"set time past the 10 s limit", sample({{17, "10000.5"}}), "line 17"},
        {"hexadecimal count of 300 digits", sample({{5, "&H" + std::string(300, 'F')}}), "line 5"},
        {"address beyond 32 bits", sample({{11, " 3000000000"}}), "line 11"},
        {"address past the I/O space", sample({{11, " 65536"}}), "line 11"},
        {"code beyond 16 bits", sample({{14, " 40000"}}), "line 14"},
        {"code 3.5 rounds to 4", sample({{14, " 3.5"}}), "line 14"},
        {"end of block 4", sample({{15, " 4"}}), "line 15"},
        {"port index the list rejects, and a count", sample({{1, " 5"}, {3, "-5"}}),
         "lines 1 and 3"},
    };
    for (const auto& [name, bytes, bad] : cases) {
        SCOPED_TRACE(name);
        Readers r;
        r.record.BTRaddress = 123;
        r.model.IO_device_lst.push_back("Mill");
        r.model.IO_device_index = 1;
        r.read(bytes);
        EXPECT_FALSE(r.driver_ok);
        EXPECT_EQ(r.record.BTRaddress, 123);  // untouched on failure
        EXPECT_FALSE(r.dialog_ok);
        if (bad == nullptr) {
            EXPECT_TRUE(r.host.messages.empty()) << "a file not there yet is no read error";
        } else {
            ASSERT_EQ(r.host.messages.size(), 1u);
            EXPECT_EQ(r.host.messages[0].text.rfind(std::string("Unable to read ") + bad + " of\n" +
                                                        r.dir.file("settings") + "\n",
                                                    0),
                      0u)
                << r.host.messages[0].text;
            EXPECT_EQ(r.model.CPS_txt, sample_lines[15]);  // the good lines are the file's
        }
        EXPECT_EQ(r.model.IO_device_index, 1);  // the device stays selected
    }
}

// Codes round halves to even; those that name no box tick none. Only a 1
// ticks an option.
TEST(SettingsRead, EachReaderShowsTheLinesItsOwnWay) {
    using enum Tick;
    struct Case {
        Changes changes;
        int code;
        const char *eob, *boxes, *address_txt;  // boxes: EIA, even, LF, CR, LF/CR, CR/LF
        bool address_enabled;
        const char* options;  // use CALLs, mask comments, Auto format
    };
    // clang-format off
    const Case cases[] = {
        {{}, 0, "\r\n", "010001", "2F9", true, "011"},  // port 4 opens the address box
        {{{14, " 3"}, {15, " 1"}}, 3, "\r", "100100", "2F9", true, "011"},  // EIA keeps CR
        {{{14, " 2.5"}, {15, " 2.5"}}, 2, "\n\r", "000010", "2F9", true, "011"},
        {{{14, " 1"}, {15, " 0"}}, 1, "\n", "001000", "2F9", true, "011"},
        {{{2, " 2147483647"}, {11, " 65535"}}, 0, "\r\n", "010001", "FFFF", true, "011"},  // edges
        {{{1, " 1"}, {11, " 1000"}}, 0, "\r\n", "010001", "3E8", false, "011"},
        {{{11, " 888.5"}}, 0, "\r\n", "010001", "378", true, "011"},
        {{{11, "x378"}}, 0, "\r\n", "010001", "0", true, "011"},
        {{{21, " 2"}, {22, " 0"}, {23, " 0"}}, 0, "\r\n", "010001", "2F9", true, "000"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.changes));
        Readers r;
        r.read(sample(c.changes));
        ASSERT_TRUE(r.driver_ok && r.dialog_ok);
        EXPECT_EQ(r.record.BTRcode, c.code);
        EXPECT_EQ(r.record.BTReob, c.eob);
        EXPECT_EQ(ticks(r.model, {chk_EIA, chk_even, chk_LF, chk_CR, chk_LFCR, chk_CRLF}), c.boxes);
        EXPECT_EQ(r.model.address_txt, c.address_txt);
        EXPECT_EQ(r.model.address_txt_enabled, c.address_enabled);
        EXPECT_EQ(ticks(r.model, {Chk_calls, Chk_comments, Chk_format}), c.options);
        const bool driver[] = {r.calls, r.record.BTRmaskcomments, !r.record.BTRformat.empty()};
        for (int i = 0; i < 3; ++i) EXPECT_EQ(driver[i], c.options[i] == '1') << i;
    }
}

// Line 23: the dialog ticks Auto format for 1 only, the send driver empties
// the format string for 0 only, so 2 keeps it.
TEST(SettingsRead, Line23EmptiesTheFormatOnlyWhenZero) {
    const std::tuple<const char*, bool, const char*> cases[] = {
        {" 0", false, ""},        {" 1", true, "##.###"},    {" 2", false, "##.###"},
        {" -1", false, "##.###"}, {" 0.5", false, "##.###"}, {"x", false, ""}};
    for (const auto& [line23, ticked, format] : cases) {
        SCOPED_TRACE(line23);
        Readers r;
        r.read(sample({{23, line23}}));
        ASSERT_TRUE(r.driver_ok && r.dialog_ok);
        EXPECT_EQ(r.model.ticked(Tick::Chk_format), ticked);
        EXPECT_EQ(r.model.format_txt, "##.###");
        EXPECT_EQ(r.record.BTRformat, format);
    }
}

// A save keeps every line the user did not change as it was read, also a
// value no box shows; a changed line, or a bad one shown as its default, is
// written anew.
TEST(SettingsRead, ASaveKeepsWhatWasNotChangedAsRead) {
    const struct {
        const char* name;
        Changes file;
        void (*change)(ConfigModel&);
        Changes saved;
    } cases[] = {
        {"auto format 2 and code 2 stay; the port changes",
         {{14, " 2"}, {23, " 2"}},
         [](ConfigModel& m) { m.choose_port(0); },
         {{14, " 2"}, {23, " 2"}, {1, " 0"}, {11, " 888"}}},
        {"the box ticked writes 1",
         {{23, " 2"}},
         [](ConfigModel& m) { m.set_ticked(Tick::Chk_format, true); },
         {{23, " 1"}}},
        {"a bad line is written as shown", {{3, "-5"}}, [](ConfigModel&) {}, {{3, " 0"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Readers r;
        r.read(sample(c.file));
        c.change(r.model);
        ASSERT_TRUE(saveit(r.model, r.dir.file("saved"), r.dir.path(), r.host));
        EXPECT_EQ(r.dir.read("saved"), sample(c.saved));
    }
}

TEST(SettingsRead, OptionalLinesStopSilentlyAtTheFirstGap) {
    const std::tuple<const char*, std::string, const char*, const char*> cases[] = {
        {"23 lines: the defaults", sample({}, 23), "11110|||0|12000", "11110|||0|12000"},
        {"line 25 overflows", sample({{25, "1E999"}}), "01110|||0|12000", "01110|||0|12000"},
        {"line 28 overflows", sample({{28, "1E999"}}), "01010|||0|12000", "01010|||0|12000"},
        {"line 31 holds 2: on, as any value but 0, and line 32 is read",
         sample({{31, " 2 "}, {32, " 5000 "}}), "01011|A\xB0|B^M\xFF|1|5000",
         "01011|A\xB0|B^M\xFF|1| 5000 "},
        {"31 lines: a file from before the rapid rate", sample({}, 31),
         "01011|A\xB0|B^M\xFF|1|12000", "01011|A\xB0|B^M\xFF|1|12000"},
        {"line 32 is no rate", sample({{32, "0"}}), "01011|A\xB0|B^M\xFF|1|12000",
         "01011|A\xB0|B^M\xFF|1|12000"},
        {"line 32 read", sample(), "01011|A\xB0|B^M\xFF|1|9000", "01011|A\xB0|B^M\xFF|1|9000"},
    };
    for (const auto& [name, bytes, driver, dialog] : cases) {
        SCOPED_TRACE(name);
        Readers r;
        r.read(sample());  // leaves what no optional line of the next file may leave
        r.read(bytes);
        ASSERT_TRUE(r.driver_ok && r.dialog_ok);
        EXPECT_TRUE(r.host.messages.empty());
        EXPECT_EQ(optional_lines(r.record), driver);
        EXPECT_EQ(optional_lines(r.model), dialog);
    }
}

// The default configuration, to be saved into a fresh folder.
class SettingsSave : public ::testing::Test {
  protected:
    SettingsSave() { default_settings(m); }
    void expect_write_failure(const std::string& failed) const {
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].title, "File write error");
        EXPECT_TRUE(
            host.messages[0].text.starts_with("Unable to write to file\n" + failed + "\n("));
    }
    TempDir dir;
    ScriptedHost host;
    ConfigModel m{host};
    const std::string path = settings_path(dir.path(), default_device_name);
};

// Every line's exact form is checked by the read-back in EveryLineReachesItsField.
TEST_F(SettingsSave, ListsNamedDevicesAndWritesTheLaterEndOfBlockCode) {
    m.IO_device_lst = {default_device_name, "Mill 1", "", "Lathe"};
    m.set_ticked(Tick::chk_EIA, true);
    m.set_ticked(Tick::chk_LF, true);  // ticked under EIA, as presets may
    m.set_ticked(Tick::chk_CR, true);
    ASSERT_TRUE(saveit(m, path, dir.path(), host));
    EXPECT_EQ(dir.read("Editor BTR device list"), "Mill 1\r\nLathe\r\n");
    const auto lines = split_lines(dir.read("Editor BTR port settings"));
    EXPECT_EQ(lines.at(13) + lines.at(14), " 3 1");  // of two boxes the later code counts
    EXPECT_TRUE(host.messages.empty());
}

// The message names the file that could not be written.
TEST_F(SettingsSave, UnwritableFilesAreReportedByName) {
    const std::string gone = dir.file("gone") + "/Editor BTR port settings";
    EXPECT_FALSE(saveit(m, gone, dir.path(), host));
    expect_write_failure(gone);
    EXPECT_EQ(dir.read("Editor BTR device list"), "<missing>");  // not tried after that

    host.messages.clear();
    // A folder of the list's name makes the rename over it fail, even for root.
    ASSERT_EQ(::mkdir(device_list_path(dir.path()).c_str(), 0755), 0);
    EXPECT_FALSE(saveit(m, path, dir.path(), host));
    expect_write_failure(device_list_path(dir.path()));
    EXPECT_EQ(dir.read("Editor BTR port settings"), "<missing>");  // one step: neither file

    // Put in place before the list, the settings file is put back after it.
    host.messages.clear();
    dir.write("Editor BTR port settings", "old\r\n");
    EXPECT_FALSE(saveit(m, path, dir.path(), host));
    EXPECT_EQ(dir.read("Editor BTR port settings"), "old\r\n");
}

TEST_F(SettingsSave, ReadOnlyFolderKeepsTheOldFile) {
    dir.write("Editor BTR port settings", "old\r\n");
    as_ordinary_user({dir.path()}, [&] {
        ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
        EXPECT_FALSE(saveit(m, path, dir.path(), host));
        expect_write_failure(device_list_path(dir.path()));  // its lock cannot be made
        EXPECT_EQ(dir.read("Editor BTR port settings"), "old\r\n");
    });
}

// The codes a settings file gives (a missing file, three lines and one line
// are read end to end by the main window's test).
// What the windows keep: read back as written; a line that does not read
// leaves its default, never a window of no size.
TEST(WindowPlaces, ReadBackAsWrittenAndDefaultsForWhatDoesNotRead) {
    testing::TempDir dir;
    const WindowPlaces kept{WindowArea{-20, 30, 640, 480}, false};
    write_window_places(dir.path(), kept);
    EXPECT_EQ(read_window_places(dir.path()), kept);
    const std::pair<const char*, WindowPlaces> cases[] = {
        {"control 1 2 3 4\ntoolpath 1\n", {WindowArea{1, 2, 3, 4}, true}},
        {"control 1 2 0 4\r\ntoolpath 0", {std::nullopt, false}},
        {"control 1 2 x 4\r\ntoolpath\r\n", {}},
    };
    for (const auto& [text, places] : cases) {
        SCOPED_TRACE(text);
        dir.write("Feedrite windows", text);
        EXPECT_EQ(read_window_places(dir.path()), places);
    }
}

TEST(EditorSettings, FileContentsGiveTheseCodes) {
    const std::tuple<const char*, const char*, double, double, int> cases[] = {
        {"blanks and trailing text", "  2 x\r\n 1.5\r\n  0  \r\n", 2, 1.5, 0},
        {"no number reads as 0", "red\r\nblack\r\nbig\r\n", 0, 0, 0},
        {"size rounds halves to even", "1\r\n1\r\n2.5\r\n", 1, 1, 2},
        {"3.5 rounds to 4", "1\r\n1\r\n3.5\r\n", 1, 1, 4},
        {"size outside 16 bits stops there", "3\r\n2\r\n70000\r\n", 3, 2, 1},
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
