// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/toolpath_view.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWheelEvent>
#include <array>
#include <cmath>

#include "base/stop_request.h"

namespace feedrite {
namespace {

constexpr double margin_px = 16;
constexpr double reach_px = 5;  // how near a click must be to a move
constexpr int drag_px = 3;      // a press that moves less than this is a click
constexpr int tool_radius = 7;  // the tool marker's circle
constexpr int selected_width = 3;
constexpr qsizetype max_polyline_points = 4096;

const QColor feed_color(20, 60, 200);
const QColor rapid_color(220, 110, 0);
const QColor unknown_color(140, 140, 140);
const QColor selected_color(0, 170, 60);
const QColor tool_color(220, 0, 0);
const QColor wait_color(200, 0, 170);  // as the program view's margin marks
const QColor mirror_color(170, 185, 225);
const QColor thread_color(130, 70, 10);

QPen pen_for(Stroke stroke) {
    switch (stroke) {
        case Stroke::Rapid:
            return {rapid_color, 1, Qt::DashLine};
        case Stroke::Unknown:
            return {unknown_color, 1, Qt::DotLine};
        case Stroke::Thread:
            return {thread_color, 2.5, Qt::SolidLine};
        default:
            return {feed_color, 1, Qt::SolidLine};
    }
}

// Which sides of `area` a point lies beyond: a segment with both ends beyond
// the same side is out of sight.
int outcode(QPointF p, const QRectF& area) {
    return (p.x() < area.left() ? 1 : 0) | (p.x() > area.right() ? 2 : 0) |
           (p.y() < area.top() ? 4 : 0) | (p.y() > area.bottom() ? 8 : 0);
}

QPointF on_screen(const ViewTransform& view, Point2 p) {
    const Point2 s = view.to_screen(p);
    return {s.x, s.y};
}

}  // namespace

ToolpathView::ToolpathView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(2);
    auto* group = new QButtonGroup(this);
    const std::array<std::pair<QString, ToolpathAngle>, 5> angles{{
        {tr("Top"), ToolpathAngle::Top},
        {tr("Front"), ToolpathAngle::Front},
        {tr("Side"), ToolpathAngle::Side},
        {tr("3D"), ToolpathAngle::Oblique},
        {tr("Lathe"), ToolpathAngle::Turning},
    }};
    for (const auto& [name, angle] : angles) {
        auto* button = new QToolButton(this);
        button->setText(name);
        button->setCheckable(true);
        button->setChecked(angle == angle_);
        group->addButton(button);
        row->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, a = angle] { set_angle(a); });
        angle_buttons_.push_back(button);
    }
    auto* fit_button = new QToolButton(this);
    fit_button->setText(tr("Fit"));
    fit_button->setObjectName(QStringLiteral("fit"));
    connect(fit_button, &QToolButton::clicked, this, &ToolpathView::fit);
    row->addSpacing(6);
    row->addWidget(fit_button);
    row->addStretch();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(row);
    column->addStretch();
}

ToolpathView::~ToolpathView() = default;

void ToolpathView::set_model(std::unique_ptr<MotionModel> model) {
    model_ = std::move(model);
    selected_line_ = tool_line_ = 0;
    // A lathe is seen in its X-Z plane only; a mill from the four sides.
    const bool lathe = model_ && model_->kind() == MachineKind::Lathe;
    for (std::size_t k = 0; k < angle_buttons_.size(); ++k)
        angle_buttons_[k]->setVisible(lathe ==
                                      (k == static_cast<std::size_t>(ToolpathAngle::Turning)));
    if (lathe)
        set_angle(ToolpathAngle::Turning);
    else
        set_angle(angle_ == ToolpathAngle::Turning ? ToolpathAngle::Top : angle_);
}

void ToolpathView::set_waiting_lines(std::vector<std::int32_t> lines) {
    waiting_lines_ = std::move(lines);
    image_stale_ = true;
    update();
}

void ToolpathView::set_angle(ToolpathAngle angle) {
    angle_ = angle;
    for (std::size_t k = 0; k < angle_buttons_.size(); ++k)
        angle_buttons_[k]->setChecked(static_cast<std::size_t>(angle) == k);
    path_ = model_ ? flatten(*model_, angle) : FlatPath{};
    fit();
}

void ToolpathView::fit() {
    // Below the buttons, so that they cover none of it.
    const int top = angle_buttons_.front()->sizeHint().height() + 4;
    view_ = fit_to(path_.bounds, width(), height() - top, margin_px);
    view_.dy += top;
    fitted_ = true;
    moved();
}

void ToolpathView::moved() {
    image_stale_ = true;
    update();
}

std::int64_t ToolpathView::last_move_of(std::int64_t line) const {
    if (!model_ || line <= 0) return -1;
    const auto& blocks = model_->blocks();
    const auto index = static_cast<std::size_t>(line);
    const std::size_t next =
        index < blocks.size() ? blocks[index].first_move : model_->moves().size();
    return static_cast<std::int64_t>(std::min(next, model_->moves().size())) - 1;
}

void ToolpathView::set_selected_line(std::int64_t line) {
    if (line == selected_line_) return;
    frame_.update(line_area(selected_line_));
    selected_line_ = line;
    frame_.update(line_area(selected_line_));
}

void ToolpathView::set_tool_line(std::int64_t line) {
    if (line == tool_line_) return;
    const QRect before = tool_area();
    tool_line_ = line;
    const QRect after = tool_area();
    if (before != after) {
        frame_.update(before);
        frame_.update(after);
    }
}

std::optional<Point2> ToolpathView::tool_point() const {
    const std::int64_t move = last_move_of(tool_line_);
    if (move < 0 || (model_->moves()[static_cast<std::size_t>(move)].flags &
                     (move_x_unknown | move_y_unknown | move_z_unknown)) != 0)
        return std::nullopt;
    return view_.to_screen(end_of(path_, *model_, static_cast<std::size_t>(move)));
}

std::pair<std::size_t, std::size_t> ToolpathView::moves_of(std::int64_t line) const {
    if (!model_ || line <= 0 || static_cast<std::size_t>(line) > model_->blocks().size())
        return {0, 0};
    return {model_->blocks()[static_cast<std::size_t>(line - 1)].first_move,
            static_cast<std::size_t>(last_move_of(line) + 1)};
}

QRect ToolpathView::tool_area() const {
    const auto at = tool_point();
    if (!at) return {};
    const int r = tool_radius + 2;
    return {static_cast<int>(std::floor(at->x)) - r, static_cast<int>(std::floor(at->y)) - r,
            2 * r + 2, 2 * r + 2};
}

QRect ToolpathView::line_area(std::int64_t line) const {
    if (!model_) return {};
    const auto [first, last] = moves_of(line);
    Bounds box;
    for_each_segment(path_, *model_, first, last, chord_tolerance(),
                     [&](std::size_t, Point2 a, Point2 b) {
                         box.add(view_.to_screen(a));
                         box.add(view_.to_screen(b));
                     });
    if (box.empty()) return {};
    const int pad = selected_width + 1;
    return QRectF(QPointF(box.left, box.bottom), QPointF(box.right, box.top))
        .toAlignedRect()
        .adjusted(-pad, -pad, pad, pad);
}

void ToolpathView::render_path() {
    const qreal ratio = devicePixelRatioF();
    if (image_.size() != size() * ratio) {
        image_ = QImage(size() * ratio, QImage::Format_RGB32);
        image_.setDevicePixelRatio(ratio);
    }
    image_.fill(palette().color(QPalette::Base));
    image_stale_ = false;
    if (!model_) return;
    QPainter painter(&image_);
    const QRectF area = QRectF(rect()).adjusted(-2, -2, 2, 2);
    if (path_.mirrored) {
        // The other side of the diameter first, faint, under the path.
        painter.save();
        painter.translate(0, 2 * view_.dy);
        painter.scale(1, -1);
        draw_strokes(painter, QRectF(), true);
        painter.restore();
        // The spindle's axis, as a drawing shows it.
        painter.setPen(QPen(unknown_color, 1, Qt::DashDotLine));
        painter.drawLine(QPointF(0, view_.dy), QPointF(width(), view_.dy));
    }
    draw_strokes(painter, area, false);
    painter.setPen(QPen(unknown_color, 1.5));
    painter.setRenderHint(QPainter::Antialiasing);
    const std::size_t moves = path_.strokes.size();
    for (std::size_t i = 0; i < moves; ++i)
        if (path_.strokes[i] == Stroke::None && regains_position(*model_, i))
            painter.drawEllipse(on_screen(view_, end_of(path_, *model_, i)), 4, 4);
    // Where the tool stops in the cut for the tape: a dot where the cut starts.
    painter.setPen(Qt::NoPen);
    painter.setBrush(wait_color);
    for (const std::int32_t line : waiting_lines_) {
        const auto [first, last] = moves_of(line);
        if (first >= last || path_.strokes[first] == Stroke::None) continue;
        const QPointF at = on_screen(view_, project(path_.angle, model_->start_of(first)));
        if (area.contains(at)) painter.drawEllipse(at, 2.5, 2.5);
    }
    if (!waiting_lines_.empty()) draw_legend(painter);
}

void ToolpathView::draw_legend(QPainter& painter) const {
    const QString text = tr("stops in the cut, waiting for the tape");
    const QFontMetrics metrics(font());
    const int pad = 4, dot = 5;
    const QRect box(pad, height() - metrics.height() - 2 * pad,
                    metrics.horizontalAdvance(text) + dot + 3 * pad, metrics.height() + pad);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(box);
    painter.setBrush(wait_color);
    painter.drawEllipse(QPointF(box.left() + pad + dot / 2.0, box.center().y() + 0.5), 2.5, 2.5);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(box.adjusted(dot + 2 * pad, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
}

void ToolpathView::draw_strokes(QPainter& painter, const QRectF& area, bool faint) {
    QPolygonF run;
    Stroke run_stroke = Stroke::None;
    std::size_t run_move = 0;
    const auto flush = [&] {
        if (run.size() > 1) {
            QPen pen = pen_for(run_stroke);
            if (faint) pen.setColor(mirror_color);
            painter.setPen(pen);
            painter.drawPolyline(run);
        }
        run.clear();
    };
    const std::size_t moves = path_.strokes.size();
    bool stopped = false;
    for_each_segment(path_, *model_, 0, moves, chord_tolerance(),
                     [&](std::size_t i, Point2 a, Point2 b) {
                         // A large path takes seconds to draw: a signal ends it.
                         if (stopped || (stopped = stop_requested_at(i))) return;
                         const QPointF to = on_screen(view_, b);
                         // A gap or another stroke starts a new polyline.
                         if (run.empty() || path_.strokes[i] != run_stroke || i > run_move + 1) {
                             flush();
                             run_stroke = path_.strokes[i];
                             run.append(on_screen(view_, a));
                         }
                         run_move = i;
                         const QPointF from = run.back();
                         // The mirror is drawn through a transform: no culling there.
                         if (!area.isNull() && (outcode(from, area) & outcode(to, area)) != 0) {
                             flush();
                             run.append(to);
                             return;
                         }
                         // Moves shorter than a pixel merge into the next: the drawing is the
                         // same and panning stays smooth on programs of short blocks.
                         if (std::abs(to.x() - from.x()) < 1 && std::abs(to.y() - from.y()) < 1)
                             return;
                         run.append(to);
                         // Stroking grows faster than the line: long runs go in pieces.
                         if (run.size() >= max_polyline_points) flush();
                     });
    flush();
}

void ToolpathView::paint_line_moves(QPainter& painter, std::int64_t line) const {
    if (!model_) return;
    const auto [first, last] = moves_of(line);
    for_each_segment(path_, *model_, first, last, chord_tolerance(),
                     [&](std::size_t, Point2 a, Point2 b) {
                         painter.drawLine(on_screen(view_, a), on_screen(view_, b));
                     });
}

void ToolpathView::paintEvent(QPaintEvent* event) {
    frame_.painted();
    if (image_stale_ || image_.size() != size() * devicePixelRatioF()) render_path();
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(QPoint(0, 0), image_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(selected_color, selected_width, Qt::SolidLine, Qt::RoundCap));
    paint_line_moves(painter, selected_line_);
    if (const auto at = tool_point()) {
        const QPointF c(at->x, at->y);
        painter.setPen(QPen(tool_color, 2));
        painter.setBrush(QColor(255, 0, 0, 60));
        painter.drawEllipse(c, tool_radius, tool_radius);
        painter.drawLine(c - QPointF(tool_radius, 0), c + QPointF(tool_radius, 0));
        painter.drawLine(c - QPointF(0, tool_radius), c + QPointF(0, tool_radius));
    }
}

void ToolpathView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fitted_)
        fit();
    else
        moved();
}

void ToolpathView::wheelEvent(QWheelEvent* event) {
    const QPointF at = event->position();
    // One notch (120) zooms by a fifth; from a thousandth of a pixel per mm
    // to a pixel per micrometre covers any part and any zoom.
    view_ = zoom_around(view_, {at.x(), at.y()}, std::pow(1.2, event->angleDelta().y() / 120.0),
                        1e-3, 1e3);
    fitted_ = false;
    moved();
    event->accept();
}

void ToolpathView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    press_ = last_drag_ = event->position().toPoint();
    dragged_ = false;
}

void ToolpathView::mouseMoveEvent(QMouseEvent* event) {
    if (!press_) return;
    const QPoint at = event->position().toPoint();
    if (!dragged_ && (at - *press_).manhattanLength() < drag_px) return;
    dragged_ = true;
    view_.dx += at.x() - last_drag_.x();
    view_.dy += at.y() - last_drag_.y();
    last_drag_ = at;
    fitted_ = false;
    moved();
}

void ToolpathView::mouseReleaseEvent(QMouseEvent* event) {
    if (!press_ || event->button() != Qt::LeftButton) return;
    press_.reset();
    if (dragged_) return;
    if (const std::int64_t line = line_at(event->position()); line > 0) emit line_clicked(line);
}

void ToolpathView::contextMenuEvent(QContextMenuEvent* event) {
    emit menu_requested(line_at(event->pos()), event->globalPos());
    event->accept();
}

std::int64_t ToolpathView::line_at(QPointF at) const {
    if (!model_) return 0;
    const std::int64_t move = move_at(path_, *model_, view_, {at.x(), at.y()}, reach_px);
    return move >= 0 ? model_->line_of(static_cast<std::size_t>(move)) : 0;
}

}  // namespace feedrite
