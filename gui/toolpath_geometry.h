// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The toolpath view's arithmetic, without widgets: the four views of a 3D
// point, the path of the motion model flattened for one view, fitting and
// zooming, arcs as short chords, and which move lies under the mouse.
//
// Drawing plane: millimetres seen from the chosen side, x to the right and y
// up. Screen: pixels, y down.

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "motion/motion_model.h"

namespace feedrite {

/// Turning: a lathe's X-Z plane, Z across and X (a radius) up.
enum class ToolpathAngle : std::uint8_t { Top, Front, Side, Oblique, Turning };

struct Point2 {
    double x = 0;
    double y = 0;
};

/// `p` (X Y Z, mm) on the drawing plane: top XY, front XZ, side YZ, an
/// isometric view from the front right, above, and a lathe's ZX.
[[nodiscard]] Point2 project(ToolpathAngle angle, const std::array<float, 3>& p);

struct Bounds {
    double left = std::numeric_limits<double>::infinity();
    double bottom = std::numeric_limits<double>::infinity();
    double right = -std::numeric_limits<double>::infinity();
    double top = -std::numeric_limits<double>::infinity();

    [[nodiscard]] bool empty() const { return left > right; }
    void add(Point2 p);
};

/// Drawing plane to screen: x * scale + dx, dy - y * scale.
struct ViewTransform {
    double scale = 1;
    double dx = 0;
    double dy = 0;

    [[nodiscard]] Point2 to_screen(Point2 p) const { return {p.x * scale + dx, dy - p.y * scale}; }
    [[nodiscard]] Point2 to_plane(Point2 s) const {
        return {(s.x - dx) / scale, (dy - s.y) / scale};
    }
};

/// `bounds` as large as fits centred in width x height less `margin` on each
/// side. An empty box shows the origin at the centre; a flat one is scaled by
/// its other side.
[[nodiscard]] ViewTransform fit_to(const Bounds& bounds, double width, double height,
                                   double margin);

/// Scaled by `factor` so that the plane point under `screen` stays under it.
/// The scale stays within [min_scale, max_scale].
[[nodiscard]] ViewTransform zoom_around(const ViewTransform& view, Point2 screen, double factor,
                                        double min_scale, double max_scale);

/// How a move is drawn.
enum class Stroke : std::uint8_t {
    Rapid,    ///< dashed
    Feed,     ///< solid, arcs as arcs
    Unknown,  ///< dotted grey: both ends known, the way between them not
    Thread,   ///< solid, heavier: a thread cut
    None,     ///< a gap: an end is not known
};

/// The stroke of move `i`. A move that starts where the model lost the
/// position is a gap even when its end is known again.
[[nodiscard]] Stroke stroke_of(const MotionModel& model, std::size_t i);
/// True when move `i` ends on a known point after a gap: the view marks it.
[[nodiscard]] bool regains_position(const MotionModel& model, std::size_t i);

/// The points of an arc from `start` after the start up to `end`, appended to
/// `out`, chords no further than `tolerance` from the circle. The radius and
/// the normal axis go over evenly from start to end (a helix when the normal
/// axis moves), so the last point is `end` itself.
void tessellate_arc(const std::array<float, 3>& start, const std::array<float, 3>& end,
                    const ArcCentre& arc, std::uint8_t plane, bool clockwise, double tolerance,
                    std::vector<std::array<float, 3>>& out);

/// The motion model seen from one side: how each move is drawn and the
/// box of what is drawn. Nothing else is kept: move ends are projected from
/// the model and arcs cut into chords as they are drawn, as fine as the zoom
/// needs, so a view costs a byte a move.
struct FlatPath {
    ToolpathAngle angle = ToolpathAngle::Top;
    std::vector<Stroke> strokes;  ///< one per move
    Bounds bounds;                ///< of the moves drawn and the points regained
    /// A lathe's path is drawn with its mirror across the axis (the other
    /// side of the diameter), faint; the bounds hold both.
    bool mirrored = false;
};

[[nodiscard]] FlatPath flatten(const MotionModel& model, ToolpathAngle angle);

/// Where move `i` ends on the plane.
[[nodiscard]] inline Point2 end_of(const FlatPath& path, const MotionModel& model, std::size_t i) {
    return project(path.angle, model.moves()[i].to);
}

/// Calls `segment(move, from, to)` for every straight piece of the moves
/// drawn in [first, last), in order, arcs in chords within `tolerance` mm.
template <class Segment>
void for_each_segment(const FlatPath& path, const MotionModel& model, std::size_t first,
                      std::size_t last, double tolerance, Segment&& segment) {
    const auto& arcs = model.arcs();
    auto arc = std::lower_bound(arcs.begin(), arcs.end(), first,
                                [](const ArcCentre& a, std::size_t move) { return a.move < move; });
    std::vector<std::array<float, 3>> chords;
    for (std::size_t i = first; i < last; ++i) {
        while (arc != arcs.end() && arc->move < i) ++arc;
        if (path.strokes[i] == Stroke::None) continue;
        Point2 from = project(path.angle, model.start_of(i));
        const Move& m = model.moves()[i];
        if (m.kind == MoveKind::Arc && path.strokes[i] == Stroke::Feed) {
            chords.clear();
            tessellate_arc(model.start_of(i), m.to, *arc, m.plane, (m.flags & move_clockwise) != 0,
                           tolerance, chords);
            chords.pop_back();  // the end, which comes last below
            for (const auto& p : chords) {
                const Point2 to = project(path.angle, p);
                segment(i, from, to);
                from = to;
            }
        }
        segment(i, from, end_of(path, model, i));
    }
}

/// Distance from `p` to the segment a-b.
[[nodiscard]] double segment_distance(Point2 p, Point2 a, Point2 b);

/// The drawn move nearest to `screen` within `reach` pixels, or -1.
[[nodiscard]] std::int64_t move_at(const FlatPath& path, const MotionModel& model,
                                   const ViewTransform& view, Point2 screen, double reach);

}  // namespace feedrite
