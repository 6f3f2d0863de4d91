// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The configuration dialog's controls as plain values, so that loading, saving,
// the defaults and the tick-box reactions run and can be checked without a
// window. The Qt dialog mirrors one model: it writes user edits into it and
// shows the model's values after every change.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/settings_paths.h"
#include "core/host.h"

namespace feedrite {

// clang-format off
/// The dialog's tick boxes, named as the controls.
enum class Tick {
    chk_EIA, chk_even,                   // code: one of two
    chk_LF, chk_CR, chk_LFCR, chk_CRLF,  // end of block: one of four
    Chk_Data_Pos, Chk_Data_Neg, Chk_Sprocket_Pos, Chk_Sprocket_Neg,
    Chk_RunStop_Pos, Chk_RunStop_Neg, Chk_ready_pos, Chk_ready_neg,
    Chk_Async, Chk_calls, Chk_comments, Chk_format, Chk_long_files, Chk_lathe_per_rev
};
// clang-format on
inline constexpr std::size_t tick_count = static_cast<std::size_t>(Tick::Chk_lathe_per_rev) + 1;

/// The end-of-block boxes in the order of their line 15 codes 0 to 3.
inline constexpr std::array<Tick, 4> eob_boxes = {Tick::chk_LF, Tick::chk_CR, Tick::chk_LFCR,
                                                  Tick::chk_CRLF};

/// The polarity pairs as (Positive, Negative); each pair holds exactly one tick.
inline constexpr std::array<std::pair<Tick, Tick>, 4> polarity_pairs = {{
    {Tick::Chk_Data_Pos, Tick::Chk_Data_Neg},
    {Tick::Chk_Sprocket_Pos, Tick::Chk_Sprocket_Neg},
    {Tick::Chk_RunStop_Pos, Tick::Chk_RunStop_Neg},
    {Tick::Chk_ready_pos, Tick::Chk_ready_neg},
}};

/// Items of `LPT_lst`; the last one lets the user type an address.
inline constexpr std::array<const char*, 5> LPT_items = {"LPT1", "LPT2", "LPT3", "LPT4", "Other!"};
inline constexpr int LPT_other = 4;

/// The index in `LPT_items` of "LPT1" to "LPT4", in any case; none for another word.
[[nodiscard]] std::optional<int> lpt_index_named(const std::string& name);

/// A new model shows only "(default)", no port chosen, and every box clear
/// except the Positive polarity boxes; the end-of-block boxes are enabled.
class ConfigModel {
  public:
    /// `host` sounds the warning beep of the end-of-block boxes; it must
    /// outlive the model.
    explicit ConfigModel(Host& host);

    // Plain values: set them directly, nothing reacts to them.
    std::vector<std::string> IO_device_lst{default_device_name};
    int IO_device_index = 0;  ///< selected entry; 0 is "(default)"
    std::string address_txt;  ///< the address in hexadecimal as shown
    bool address_txt_enabled = false;
    float address = 0;  ///< what is saved; address_txt only shows it
    double delay1 = 0, delay2 = 0, delay3 = 0, delay4 = 0, delay5 = 0;  ///< loop counts
    std::string Data_on_txt, Sprocket_on_txt, Sprocket_overlap_txt, Data_off_txt, EOB_delay_txt;
    std::string CPS_txt, leader_txt, Trailer_txt, Reset_on_txt, mask_txt, format_txt;
    std::string Replace_txt, Replace_with_txt, New_name_txt;
    std::string Rapid_rate_txt;         ///< mm/min
    std::string Read_ahead_txt = "1";   ///< blocks the control holds before it runs one
    std::string Wait_mark_txt = "0.1";  ///< seconds: shorter stops in the cut are not marked
    std::string Acceleration_txt;       ///< mm/s^2 of X Y Z, blank where not known
    /// The settings file's lines as read, and the lines the writer made of
    /// the model right after loading them: a line the user has not changed
    /// since is written back as read (a value no box shows, such as auto
    /// format 2, is kept). Both empty when no file was loaded.
    std::vector<std::string> lines_read, lines_loaded;

    /// The selected `LPT_lst` item, -1 before the first choice.
    [[nodiscard]] int LPT_index() const { return LPT_index_; }
    /// Selects an `LPT_lst` item and runs the port list's reaction, also when
    /// the item was selected already, so the fixed address is always restored.
    /// Returns false and changes nothing for an index outside the list.
    bool choose_port(int index);

    [[nodiscard]] bool ticked(Tick box) const { return ticks_[slot(box)]; }
    /// Sets a box. Only a change of state runs the box's reaction, which may
    /// set other boxes and so run their reactions in turn.
    void set_ticked(Tick box, bool on);
    /// Whether the user can click the four end-of-block boxes.
    [[nodiscard]] bool eob_enabled() const { return eob_enabled_; }

  private:
    static std::size_t slot(Tick box) { return static_cast<std::size_t>(box); }
    void react(Tick box);
    void react_to_EIA();
    void react_to_even();
    void react_to_eob(Tick box);

    Host* host_;
    int LPT_index_ = -1;
    std::array<bool, tick_count> ticks_{};
    bool eob_enabled_ = true;
};

}  // namespace feedrite
