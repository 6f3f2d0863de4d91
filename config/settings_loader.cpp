// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_loader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <utility>

#include "base/number_text.h"
#include "config/port_settings_reader.h"
#include "config/settings_lines.h"
#include "config/settings_writer.h"

namespace feedrite {
namespace {

// Fills the model from a file the one reader accepted; the boxes are set
// through their reactions, the port list's first, so that it opens the
// address box for "Other!" only.
void fill(ConfigModel& m, const StoredSettings& s) {
    m.choose_port(s.port_index);
    double* delays[] = {&m.delay1, &m.delay2, &m.delay3, &m.delay4, &m.delay5};
    for (std::size_t i = 0; i < s.counts.size(); ++i) *delays[i] = s.counts[i];
    std::string* typed[] = {&m.Data_on_txt, &m.Sprocket_on_txt, &m.Sprocket_overlap_txt,
                            &m.Data_off_txt};
    for (std::size_t i = 0; i < s.typed.size(); ++i) *typed[i] = s.typed[i];
    m.address = static_cast<float>(s.address);  // single precision, as the dialog keeps it
    m.address_txt = address_hex(m.address);
    m.leader_txt = s.leader;
    m.Trailer_txt = s.trailer;
    // Codes 1 and 2 have no box: the upkeep shows them as ASCII/ISO.
    if (s.code == 0) m.set_ticked(Tick::chk_even, true);
    if (s.code == 3) m.set_ticked(Tick::chk_EIA, true);
    m.set_ticked(eob_boxes[static_cast<std::size_t>(s.eob)], true);
    m.CPS_txt = s.cps;
    m.EOB_delay_txt = s.eob_delay;
    m.Reset_on_txt = s.reset;
    m.mask_txt = s.mask;
    m.format_txt = s.format;
    m.set_ticked(Tick::Chk_calls, s.calls);
    m.set_ticked(Tick::Chk_comments, s.mask_comments);
    m.set_ticked(Tick::Chk_format, s.auto_format);
    for (std::size_t i = 0; i < polarity_pairs.size(); ++i)
        if (!s.positive[i]) m.set_ticked(polarity_pairs[i].second, true);
    m.set_ticked(Tick::Chk_Async, s.async);
    m.Replace_txt = s.replace;
    m.Replace_with_txt = s.replace_with;
    m.set_ticked(Tick::Chk_long_files, s.spool);
    m.Rapid_rate_txt = s.rapid;
}

// The values default_settings and set_optional_defaults give, as a file
// would hold them: what a bad line of a file keeps.
StoredSettings defaults_of(const ConfigModel& m) {
    StoredSettings s;
    s.port_index = std::max(m.LPT_index(), 0);
    s.counts = {m.delay1, m.delay2, m.delay3, m.delay4, m.delay5};
    s.typed = {m.Data_on_txt, m.Sprocket_on_txt, m.Sprocket_overlap_txt, m.Data_off_txt};
    s.address = m.address;
    s.leader = m.leader_txt;
    s.trailer = m.Trailer_txt;
    s.cps = m.CPS_txt;
    s.eob_delay = m.EOB_delay_txt;
    s.reset = m.Reset_on_txt;
    s.rapid = m.Rapid_rate_txt;
    s.calls = true;
    return s;
}

// Remembers the file's lines beside what the model made of them; a bad
// line is not kept (the model shows its default, which Apply writes).
void remember_lines(ConfigModel& m, const std::string& path, const std::vector<int>& bad) {
    auto read = read_settings_lines(path);
    if (!read) return;
    m.lines_read = std::move(*read);
    m.lines_loaded = settings_lines(m);
    for (const int line : bad)
        if (line >= 1 && static_cast<std::size_t>(line) <= m.lines_loaded.size())
            m.lines_loaded[static_cast<std::size_t>(line) - 1] = "\n";  // a line never holds one
}

std::string line_list(const std::vector<int>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i == 0 ? "" : i + 1 == lines.size() ? " and " : ", ") + std::to_string(lines[i]);
    return text;
}

}  // namespace

void set_optional_defaults(ConfigModel& model) {
    for (const auto& pair : polarity_pairs) model.set_ticked(pair.first, true);
    model.set_ticked(Tick::Chk_Async, false);
    model.Replace_txt.clear();
    model.Replace_with_txt.clear();
    model.set_ticked(Tick::Chk_long_files, false);
    model.Rapid_rate_txt = default_rapid_rate;
}

bool load_settings(ConfigModel& model, const std::string& path, Host& host) {
    model.lines_read.clear();
    model.lines_loaded.clear();
    set_optional_defaults(model);
    const SettingsRead read = read_settings_file(path);
    if (read.settings) {
        fill(model, *read.settings);
        remember_lines(model, path, {});
        return true;
    }
    default_settings(model);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return false;  // not set up yet: no read error
    // One bad line costs that line only: Apply then writes what the operator saw.
    const LenientRead lenient = read_settings_leniently(path, defaults_of(model));
    if (!lenient.settings) {
        host.message_box(
            "Unable to read from file\n" + path + "\nUsing default BTR port configuration",
            "File read error", MessageIcon::Exclamation, MessageButtons::Ok);
        return false;
    }
    fill(model, *lenient.settings);
    remember_lines(model, path, lenient.bad_lines);
    const bool one = lenient.bad_lines.size() == 1;
    host.message_box("Unable to read line" + std::string(one ? " " : "s ") +
                         line_list(lenient.bad_lines) + " of\n" + path + "\n" +
                         (one ? "It shows its default value" : "They show their default values") +
                         "; every other value is the file's.\nCheck before Apply.",
                     "File read error", MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

// The order matters: each box's reaction sees the boxes set before it.
void default_settings(ConfigModel& model) {
    model.choose_port(0);
    model.leader_txt = "%LF";
    // One-character texts are moved in whole: GCC 12 at -O3 misreads the
    // copy of a one-byte literal as overlapping (-Wrestrict).
    model.Trailer_txt = std::string("%");
    model.set_ticked(Tick::chk_even, true);
    model.set_ticked(Tick::chk_EIA, false);
    model.set_ticked(Tick::chk_LF, true);
    for (const Tick box : {Tick::chk_LFCR, Tick::chk_CRLF, Tick::chk_CR})
        model.set_ticked(box, false);
    model.Data_on_txt = "3.33";
    model.Sprocket_on_txt = "2.2";
    model.Sprocket_overlap_txt = ".565";
    model.Data_off_txt = std::string("0");
    model.EOB_delay_txt = std::string("0");
    model.CPS_txt = "300";
    model.Reset_on_txt = "M30";
    model.Rapid_rate_txt = default_rapid_rate;
    model.mask_txt.clear();
    model.format_txt.clear();
    model.set_ticked(Tick::Chk_calls, true);
    model.set_ticked(Tick::Chk_comments, false);
    model.set_ticked(Tick::Chk_format, false);
}

std::string address_hex(float address) {
    const auto whole = round_to_int32(address);
    if (!whole) return {};
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X",
                  static_cast<unsigned>(static_cast<std::uint32_t>(*whole)));
    return buffer;
}

}  // namespace feedrite
