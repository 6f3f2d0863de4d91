// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tool's path as the program commands it, block by block: the moves a
// toolpath view draws and the machining time of each block.
//
// Positions are in millimetres in work coordinates (the offsets of G54..G59
// are not known here: after a change of offset the position is unknown until
// an absolute move gives it again); a lathe's X is kept as a radius. What
// cannot be followed is marked, never guessed: macro statements and values,
// G65 / G66 / M98 calls, G28 / G30 / G53 moves in machine terms, transforms
// (rotation, scaling, mirror, polar), a lathe's multiple-pass cycles (G70 to
// G76) and tapered single passes, unknown G codes with axes, and absolute
// moves of an axis from an unknown place.
//
// Times: feed moves at F (per minute, per revolution with S under G95 or a
// lathe's G99, inverse time under G93), rapids along the straight line at the
// rapid traverse rate (vector length / rate), dwells as written. Under a
// lathe's G96 the spindle speed follows the diameter (held to G50's S), so a
// facing cut slows as it goes out. Acceleration is modelled where the device
// knows it (a trapezoid from rest to rest for every move: an upper bound
// on a control that blends its moves).

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "motion/modal_codes.h"

namespace feedrite {

struct MotionSettings {
    MachineKind kind = MachineKind::Mill;
    double rapid_mm_per_min = 0;  ///< 0: rapids have no known time
    /// A lathe control starts in feed per revolution (G99) until the program
    /// says G98; false for one that starts per minute.
    bool lathe_starts_per_revolution = true;
    /// The most each axis (X Y Z) accelerates, mm/s^2; 0 where not known.
    /// With any, each move speeds up from rest and slows to rest again.
    std::array<double, 3> acceleration{};
};

/// Thread: a feed per revolution locked to the spindle (G32, G33, G92's pass).
enum class MoveKind : std::uint8_t { Rapid, Feed, Arc, Unknown, Thread };

/// Move flags.
enum : std::uint8_t {
    move_x_unknown = 1,  ///< the end's X is not known (likewise Y, Z)
    move_y_unknown = 2,
    move_z_unknown = 4,
    move_length_unknown = 8,  ///< not even how far it went: no time
    move_clockwise = 16,      ///< an arc's direction (G02)
};

/// One straight move or arc; it starts where the one before it ended. Its
/// line is its block's (see MotionModel::line_of).
struct Move {
    std::array<float, 3> to{};  ///< X Y Z, mm
    MoveKind kind = MoveKind::Feed;
    std::uint8_t flags = 0;
    std::uint8_t plane = 17;  ///< 17, 18, 19
};

struct ArcCentre {
    std::uint32_t move = 0;         ///< the Arc it belongs to
    std::array<float, 3> centre{};  ///< in the arc's plane; its normal axis at the start
    float sweep = 0;                ///< radians, > 0, up to 2 pi for a full circle
};

/// Block flags.
enum : std::uint8_t {
    block_feed = 1,     ///< its moves are all feed moves (at least one): it cuts on
    block_unknown = 2,  ///< something in it was not followed
};

struct BlockMotion {
    std::uint32_t first_move = 0;  ///< its moves run up to the next block's first
    float seconds = 0;             ///< machining time, dwells included
    std::uint8_t flags = 0;
};

class MotionModel {
  public:
    /// Reads `lines` (the program as sent, one block each) from the top.
    MotionModel(const std::vector<std::string_view>& lines, const MotionSettings& settings);

    [[nodiscard]] MachineKind kind() const { return kind_; }
    [[nodiscard]] const std::vector<Move>& moves() const { return moves_; }
    /// In the order of their moves.
    [[nodiscard]] const std::vector<ArcCentre>& arcs() const { return arcs_; }
    /// One per line: block i is line i + 1.
    [[nodiscard]] const std::vector<BlockMotion>& blocks() const { return blocks_; }
    /// Where move `i` starts; all unknown (zero) before the first move.
    [[nodiscard]] std::array<float, 3> start_of(std::size_t i) const {
        return i == 0 ? std::array<float, 3>{} : moves_[i - 1].to;
    }
    [[nodiscard]] double machining_seconds() const;
    /// The line (1-based) of the block move `i` belongs to.
    [[nodiscard]] std::int32_t line_of(std::size_t i) const;
    /// The centre of move `i`, an Arc; nullptr for any other move.
    [[nodiscard]] const ArcCentre* arc_of(std::size_t i) const;

  private:
    MachineKind kind_;
    std::vector<Move> moves_;
    std::vector<ArcCentre> arcs_;
    std::vector<BlockMotion> blocks_;
};

/// The time of a move of `length` mm that takes `seconds` at full speed,
/// from rest to rest at `accel` mm/s^2 (none: `seconds`), its speed at most
/// `corner` mm/s where that is above 0.
[[nodiscard]] double with_acceleration(double length, double seconds, double accel,
                                       double corner = 0);

/// How long a G04 dwells: a value with a decimal point in seconds, a whole
/// number in milliseconds (P1500 = X1.5 = 1.5 s), as the control reads the
/// format string's whole numbers in its least increment of 0.001.
[[nodiscard]] double dwell_seconds(const NcNumber& value);

/// The length of an arc of radius `radius` turning through `sweep` radians
/// while the third axis moves `rise`: helical when it rises.
[[nodiscard]] double arc_length(double radius, double sweep, double rise);

}  // namespace feedrite
