// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one interpreter of a program's blocks: it follows the state a control
// builds up (nc_state.h), block by block, for the resume plan, and says of
// each block what it did. It knows a closed list of codes, each with its
// full effect; anything else makes what it may change unknown until the
// program sets it again absolutely:
//
// - an unknown G code with axis or cycle words: every position, the motion
//   mode and the cycle; without words it is only reported;
// - a call (M98, M97, G65, a CALL line, a move under G66), M99, a macro
//   statement other than a write to a local or common variable (a jump, a
//   loop, a block with expressions), a write to a system variable, a code
//   written as an expression, the end of the program: everything, but what
//   the program never writes
//   (nc_state.h: Unwritten);
// - a word written as an expression: what it sets;
// - a frame switched (G68, G51, G51.1, G16, G52, G92, a lathe's G50 with
//   axes, G10): every position; a frame that stays on or unknown makes every
//   move unknown;
// - cutter compensation in force: the positions of the axes its moves name;
// - a cycle it does not model (a mill's G87, G88; a lathe's G90 / G92 / G94
//   passes when not from a known start): the positions;
// - a units switch: every position and F written before it;
// - M06 (a lathe's turret index): Z (X and Z on a lathe) stand at the
//   tool-change position, unknown in work coordinates; the length offset,
//   spindle and coolant of the old tool (a mill's) go with it.
// The lines of a lathe's contour definition (G71 to G73 P to Q) are data of
// the cycle, not moves: they change nothing.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "motion/nc_state.h"

namespace feedrite {

/// What a block did.
enum class BlockKind : std::uint8_t {
    None,     ///< no move (modes, words, comments, a contour line)
    Rapid,    ///< G00
    Feed,     ///< G01, G32, G33 and the arcs
    Cycle,    ///< a canned or turning cycle's hole or pass
    Machine,  ///< moves in machine terms: G28, G30, G53, M06, a turret index
    Unknown,  ///< moves the interpreter does not follow
};

struct BlockEffect {
    BlockKind kind = BlockKind::None;
    /// Each move of the block came from known state: its targets, the
    /// modes and frames it reads, the length offset where Z moves.
    bool known = true;
    std::uint16_t axes = 0;       ///< bit per axis_letters index the block named as moved
    bool contour = false;         ///< the line lies in a lathe contour definition
    bool tool_change = false;     ///< M06, or a lathe's T of another tool
    bool motion_written = false;  ///< the block writes a motion code
    bool cycle_written = false;   ///< the block writes a mill's drill cycle code
    /// The block itself turns on compensation or a transform: its move is
    /// not followed, but it starts from the state before it.
    bool turns_on = false;
    int lathe_cycle = 0;  ///< a lathe's G70..G76 in the block (tenths)
    /// The block moves in machine terms only (G53 Z, G28 / G30 through where
    /// the tool stands): its G codes and axis words as written, else empty.
    std::string retract;
    std::vector<std::string> unknown_codes;  ///< codes outside the list, reported only
};

/// A reset control at the top of `lines`. What the program never writes
/// anywhere stays on the control as the program found it: the frames and (a
/// mill's) length offset off, the units and work offset the control's own
/// (known as 0 and "": nothing to write back).
[[nodiscard]] NcState program_start_state(const std::vector<std::string_view>& lines,
                                          MachineKind kind);
/// The state a resumed control is taken to start from: nothing known but what
/// the program never writes, as above.
[[nodiscard]] NcState resumed_state(const std::vector<std::string_view>& lines, MachineKind kind);

class NcInterpreter {
  public:
    explicit NcInterpreter(NcState start) : s_(std::move(start)) {}

    /// Reads one line (1-based `line` for the causes it records).
    BlockEffect read(std::string_view text, std::int64_t line);

    [[nodiscard]] const NcState& state() const { return s_; }
    /// A lathe cycle's contour is still to come or under way: its lines are data.
    [[nodiscard]] bool contour_open() const { return contour_.has_value(); }

  private:
    struct Block;
    class Lazy;
    void read_block(Block& b);
    void read_g(Block& b, int g);
    void read_m(Block& b, int m);
    void read_words(Block& b);
    void move(Block& b);
    void drill_hole(Block& b);
    void turning_pass(Block& b);
    void machine_move(Block& b);
    void set_coordinates(Block& b);
    void tool_change(Block& b, bool lathe_index);
    bool axis_target(const Block& b, int i, NcNumber& to) const;
    [[nodiscard]] bool frame_plain() const;
    int cause(const std::string& what);
    void lose_positions(int cause);
    void lose_plane(int cause);
    void lose_everything(int cause);
    bool statement(std::string_view code);
    void note_contour(Block& b);

    NcState s_;
    std::int64_t line_ = 0;
    // A lathe contour definition: from the line numbered `p` to the one numbered `q`.
    struct Contour {
        double p = 0, q = 0;
        bool inside = false;
    };
    std::optional<Contour> contour_;
};

/// The block, reduced to its G codes and axis words, when it moves in
/// machine terms only: G53 on its own, or G28 / G30 through the point where
/// the tool stands (incremental zeros). Empty for any other block.
[[nodiscard]] std::string machine_retract(const NcLine& block, MachineKind kind);

/// "G01" for 10, "G54.1" for 541, "M08" for 80.
[[nodiscard]] std::string code_text(char letter, int tenths);

}  // namespace feedrite
