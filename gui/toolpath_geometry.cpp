// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/toolpath_geometry.h"

#include <algorithm>
#include <cmath>

namespace feedrite {
namespace {

constexpr std::uint8_t unknown_end = move_x_unknown | move_y_unknown | move_z_unknown;

// Axis indexes of a plane: first, second, normal (right-handed, so that
// counter-clockwise turns from the first axis to the second).
std::array<std::size_t, 3> plane_axes(std::uint8_t plane) {
    if (plane == 18) return {2, 0, 1};
    if (plane == 19) return {1, 2, 0};
    return {0, 1, 2};
}

// A chord tolerance for the box of the path: a small share of its largest
// extent.
double arc_tolerance(const MotionModel& model) {
    std::array<float, 3> low{}, high{};
    bool any = false;
    for (const Move& m : model.moves()) {
        if ((m.flags & unknown_end) != 0) continue;
        for (std::size_t k = 0; k < 3; ++k) {
            low[k] = any ? std::min(low[k], m.to[k]) : m.to[k];
            high[k] = any ? std::max(high[k], m.to[k]) : m.to[k];
        }
        any = true;
    }
    double extent = 0;
    for (std::size_t k = 0; k < 3; ++k) extent = std::max(extent, double{high[k]} - low[k]);
    return std::max(extent / 5000, 1e-4);
}

}  // namespace

Point2 project(ToolpathAngle angle, const std::array<float, 3>& p) {
    const double x = p[0], y = p[1], z = p[2];
    switch (angle) {
        case ToolpathAngle::Top:
            return {x, y};
        case ToolpathAngle::Front:
            return {x, z};
        case ToolpathAngle::Side:
            return {y, z};
        case ToolpathAngle::Turning:
            return {z, x};
        case ToolpathAngle::Oblique:
            break;
    }
    // Isometric: X to the right and down, Y to the right and up, Z straight up.
    const double c = std::sqrt(3.0) / 2;
    return {(x + y) * c, z + (y - x) / 2};
}

void Bounds::add(Point2 p) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    bottom = std::min(bottom, p.y);
    top = std::max(top, p.y);
}

ViewTransform fit_to(const Bounds& bounds, double width, double height, double margin) {
    const double w = std::max(1.0, width - 2 * margin), h = std::max(1.0, height - 2 * margin);
    if (bounds.empty()) return {1, width / 2, height / 2};
    const double bw = bounds.right - bounds.left, bh = bounds.top - bounds.bottom;
    double scale = 1;
    if (bw > 0 && bh > 0)
        scale = std::min(w / bw, h / bh);
    else if (bw > 0 || bh > 0)
        scale = bw > 0 ? w / bw : h / bh;
    const double cx = (bounds.left + bounds.right) / 2, cy = (bounds.bottom + bounds.top) / 2;
    return {scale, width / 2 - cx * scale, height / 2 + cy * scale};
}

ViewTransform zoom_around(const ViewTransform& view, Point2 screen, double factor, double min_scale,
                          double max_scale) {
    const Point2 held = view.to_plane(screen);
    const double scale = std::clamp(view.scale * factor, min_scale, max_scale);
    return {scale, screen.x - held.x * scale, screen.y + held.y * scale};
}

Stroke stroke_of(const MotionModel& model, std::size_t i) {
    const Move& m = model.moves()[i];
    if ((m.flags & unknown_end) != 0) return Stroke::None;
    // Before the first move the position is not known.
    if (i == 0 || (model.moves()[i - 1].flags & unknown_end) != 0) return Stroke::None;
    if (m.kind == MoveKind::Unknown || (m.flags & move_length_unknown) != 0) return Stroke::Unknown;
    if (m.kind == MoveKind::Arc && model.arc_of(i) == nullptr) return Stroke::Unknown;
    if (m.kind == MoveKind::Thread) return Stroke::Thread;
    return m.kind == MoveKind::Rapid ? Stroke::Rapid : Stroke::Feed;
}

bool regains_position(const MotionModel& model, std::size_t i) {
    const auto& moves = model.moves();
    return (moves[i].flags & unknown_end) == 0 &&
           (i == 0 || (moves[i - 1].flags & unknown_end) != 0);
}

void tessellate_arc(const std::array<float, 3>& start, const std::array<float, 3>& end,
                    const ArcCentre& arc, std::uint8_t plane, bool clockwise, double tolerance,
                    std::vector<std::array<float, 3>>& out) {
    const auto [a, b, n] = plane_axes(plane);
    const double ca = arc.centre[a], cb = arc.centre[b];
    const double r0 = std::hypot(start[a] - ca, start[b] - cb);
    const double r1 = std::hypot(end[a] - ca, end[b] - cb);
    const double from = std::atan2(start[b] - cb, start[a] - ca);
    const double radius = std::max(r0, r1);
    // The angle a chord within `tolerance` of the circle may span.
    double step = 2.0;
    if (radius > tolerance) step = std::min(step, 2 * std::acos(1 - tolerance / radius));
    const auto count =
        static_cast<int>(std::clamp(std::ceil(static_cast<double>(arc.sweep) / step), 1.0, 720.0));
    const double turn = clockwise ? -static_cast<double>(arc.sweep) : arc.sweep;
    for (int k = 1; k < count; ++k) {
        const double t = static_cast<double>(k) / count;
        const double angle = from + turn * t, r = r0 + (r1 - r0) * t;
        std::array<float, 3> p{};
        p[a] = static_cast<float>(ca + r * std::cos(angle));
        p[b] = static_cast<float>(cb + r * std::sin(angle));
        p[n] = static_cast<float>(start[n] + (end[n] - start[n]) * t);
        out.push_back(p);
    }
    out.push_back(end);
}

FlatPath flatten(const MotionModel& model, ToolpathAngle angle) {
    FlatPath path;
    path.angle = angle;
    path.mirrored = angle == ToolpathAngle::Turning;
    const std::size_t moves = model.moves().size();
    path.strokes.reserve(moves);
    for (std::size_t i = 0; i < moves; ++i) {
        path.strokes.push_back(stroke_of(model, i));
        if (regains_position(model, i)) path.bounds.add(end_of(path, model, i));
    }
    for_each_segment(path, model, 0, moves, arc_tolerance(model),
                     [&](std::size_t, Point2 a, Point2 b) {
                         path.bounds.add(a);
                         path.bounds.add(b);
                     });
    if (path.mirrored && !path.bounds.empty()) {
        path.bounds.add({path.bounds.left, -path.bounds.top});
        path.bounds.add({path.bounds.left, -path.bounds.bottom});
    }
    return path;
}

double segment_distance(Point2 p, Point2 a, Point2 b) {
    const double vx = b.x - a.x, vy = b.y - a.y;
    const double length2 = vx * vx + vy * vy;
    double t = length2 > 0 ? ((p.x - a.x) * vx + (p.y - a.y) * vy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * vx), p.y - (a.y + t * vy));
}

std::int64_t move_at(const FlatPath& path, const MotionModel& model, const ViewTransform& view,
                     Point2 screen, double reach) {
    // Measured on the plane: one transform of the mouse instead of every point.
    const Point2 at = view.to_plane(screen);
    double best = reach / view.scale;
    std::int64_t found = -1;
    // Chords within half a pixel: what is hit is what is drawn.
    for_each_segment(path, model, 0, path.strokes.size(), 0.5 / view.scale,
                     [&](std::size_t i, Point2 a, Point2 b) {
                         // The later move wins a tie: it is drawn on top.
                         if (const double d = segment_distance(at, a, b); d <= best) {
                             best = d;
                             found = static_cast<std::int64_t>(i);
                         }
                     });
    return found;
}

}  // namespace feedrite
