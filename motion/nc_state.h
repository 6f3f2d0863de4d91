// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The state a control builds up from a program's blocks, as the one
// interpreter (nc_interpreter) follows it. Every value is known or unknown:
// an unknown value is never guessed, and stays unknown until the program sets
// it again absolutely. Numbers are kept as the program wrote them, in its
// units and notation (a lathe's X as a diameter), so that they are compared
// in the program's own resolution and written back as it wrote them.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "motion/modal_codes.h"

namespace feedrite {

/// Why a value is unknown: the line and what happened there.
struct Cause {
    std::int64_t line = 0;
    std::string what;
};

/// A value that is known, or not; when not, the index of its cause in
/// NcState::causes (-1: the program never set it).
template <class T>
class Known {
  public:
    Known() = default;
    explicit Known(T value) : value_(std::move(value)) {}
    [[nodiscard]] bool known() const { return value_.has_value(); }
    [[nodiscard]] const T& operator*() const { return *value_; }
    [[nodiscard]] const T* operator->() const { return &*value_; }
    [[nodiscard]] const std::optional<T>& get() const { return value_; }
    [[nodiscard]] int cause() const { return cause_; }
    [[nodiscard]] bool is(const T& value) const { return value_ && *value_ == value; }
    void set(T value) { value_ = std::move(value), cause_ = -1; }
    void lose(int cause) { value_.reset(), cause_ = cause; }

  private:
    std::optional<T> value_;
    int cause_ = -1;
};

/// Two numbers are the same when they agree in the finer of their two
/// resolutions (the decimals written): never as raw floating point.
[[nodiscard]] int compare_numbers(const NcNumber& a, const NcNumber& b);

/// The axes followed, in this order; on a lathe U and W are X and Z written
/// incrementally, on a mill axes of their own.
inline constexpr std::string_view axis_letters = "XYZABCUVW";
inline constexpr std::size_t axis_count = axis_letters.size();
[[nodiscard]] constexpr int axis_index(char letter) {
    const auto at = axis_letters.find(letter);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

/// Where an axis stands when its work position is not known, but the machine
/// put it somewhere definite: at the top of a machine-terms retract (G53,
/// G28 through where it stands) or at the tool-change position.
enum class Parked : std::uint8_t { No, Retract, ToolChange };

struct AxisState {
    Known<NcNumber> at;  ///< work coordinates
    Parked parked = Parked::No;
    bool used = false;  ///< a block has named it
};

/// Transforms and offsets that change what the axis words mean. Each is
/// known off, known on, or unknown; on or unknown, no move is followed.
enum class Frame : std::uint8_t {
    Rotation,        ///< G68 / G69
    Scaling,         ///< a mill's G51 / G50
    Mirror,          ///< G51.1 / G50.1
    Polar,           ///< G16 / G15
    ModalCall,       ///< G66 / G67: every move calls a macro
    PolarInterp,     ///< a lathe's G12.1 / G13.1
    LocalShift,      ///< G52 (off with all its axes 0)
    CoordinateSet,   ///< G92 (a lathe's G50) with axes: no code restores it
    OffsetsWritten,  ///< G10 wrote offset data: the control's tables are not known
    Count
};
inline constexpr std::size_t frame_count = static_cast<std::size_t>(Frame::Count);

/// A mill's drill cycle in force: its code and the words it holds.
inline constexpr std::string_view drill_letters = "ZRQPIJ";
struct DrillCycle {
    int g = 0;                          ///< tenths; 0 none (G80)
    std::array<std::string, 6> data{};  ///< Z R Q P I J as last written ("Z-8."), or empty
    std::optional<NcNumber> r, depth;   ///< R level and Z depth
    bool plain = true;                  ///< every data word a number
    /// Everything a hole needs is written: the block can be written back.
    [[nodiscard]] bool complete() const {
        return g != 0 && plain && r && depth && ((g != 730 && g != 830) || !data[2].empty());
    }
    /// The data words in the order above, blank between.
    [[nodiscard]] std::string words() const;
};

struct NcState {
    MachineKind kind = MachineKind::Mill;
    std::array<AxisState, axis_count> axes{};
    Known<int> motion, plane, units, distance, feed_mode, speed_mode, return_level;
    Known<int> cutter_comp;       ///< 400 410 420
    Known<std::string> comp_d;    ///< D of G41 / G42 as written
    Known<int> tool_length;       ///< 430 440 490
    Known<std::string> length_h;  ///< H as written; "" where G43 came without one
    Known<std::string> work_offset;
    Known<DrillCycle> drill;    ///< a mill's canned cycle
    Known<int> turning;         ///< a lathe's G90 / G92 / G94 cycle (0: none)
    Known<NcNumber> initial_z;  ///< the first level of the drill cycle in force
    Known<NcNumber> feed, speed, speed_limit;
    Known<int> spindle;            ///< 30 40 50
    Known<int> coolant;            ///< 70 80 90
    Known<std::string> tool;       ///< mill: in the spindle; lathe: the T word
    Known<std::string> next_tool;  ///< a mill's T waiting for M06
    std::array<Known<bool>, frame_count> frames{};
    std::int64_t tool_change_line = 0;  ///< the last M06 or turret index; 0 none
    std::int64_t cycle_line = 0;        ///< where the cycle in force was called
    std::vector<Cause> causes;
    /// What the program never writes anywhere stays on the control as the
    /// program found it at its start, also after a call: the frames and (a
    /// mill's) length offset off, the units, work offset and tool the
    /// control's own (known as 0 and ""), a lathe's distance absolute.
    struct Unwritten {
        std::array<bool, frame_count> frames{};
        bool length = false, units = false, offset = false, distance = false, tool = false;
    } unwritten;

    [[nodiscard]] const AxisState& axis(char letter) const {
        return axes[static_cast<std::size_t>(axis_index(letter))];
    }
    [[nodiscard]] AxisState& axis(char letter) {
        return axes[static_cast<std::size_t>(axis_index(letter))];
    }
    [[nodiscard]] const Known<bool>& frame(Frame f) const {
        return frames[static_cast<std::size_t>(f)];
    }
    [[nodiscard]] Known<bool>& frame(Frame f) { return frames[static_cast<std::size_t>(f)]; }
    /// Every frame known off: axis words mean plain work coordinates.
    [[nodiscard]] bool plain_frame() const;
    /// The cause of an unknown value, in words ("line 40: M98 call"); empty if never set.
    [[nodiscard]] std::string why(int cause) const;
};

/// A control after a reset, as a program is started from its top: the
/// cancel states (G40, G49, G80, no transforms), the spindle and coolant off
/// known, everything else unknown.
[[nodiscard]] NcState reset_state(MachineKind kind);
/// Nothing known at all: a control in whatever state it was left in.
[[nodiscard]] NcState unknown_state(MachineKind kind);

}  // namespace feedrite
