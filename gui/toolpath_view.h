// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The toolpath beside the program: the motion model's moves seen from the
// top, front, side or obliquely, zoomed with the wheel around the mouse,
// panned by dragging, fitted on load and on its button. Rapids are dashed,
// feed moves solid, arcs drawn as arcs; where the model lost the position
// the path has a gap, and a grey ring marks where it is known again; a
// stretch between known ends that the model could not follow is dotted grey.
//
// The path is drawn once into an image for each zoom, pan and angle, with
// moves shorter than a pixel merged; the selected line's moves and the tool
// are drawn over it, so following the tape repaints only their small areas.

#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "gui/frame_limiter.h"
#include "gui/toolpath_geometry.h"

class QPainter;
class QToolButton;

namespace feedrite {

class ToolpathView : public QWidget {
    Q_OBJECT
  public:
    explicit ToolpathView(QWidget* parent = nullptr);
    ~ToolpathView() override;

    /// Shows `model` (or nothing), fitted; the selection and tool are cleared.
    void set_model(std::unique_ptr<MotionModel> model);
    [[nodiscard]] const MotionModel* model() const { return model_.get(); }

    void set_angle(ToolpathAngle angle);
    [[nodiscard]] ToolpathAngle angle() const { return angle_; }
    /// The whole path in sight.
    void fit();
    [[nodiscard]] const ViewTransform& transform() const { return view_; }
    [[nodiscard]] const FlatPath& path() const { return path_; }

    /// Marks where the moves of these lines (1-based, ascending) end: the
    /// control waits for the tape before them. Kept across models.
    void set_waiting_lines(std::vector<std::int32_t> lines);
    /// Highlights the moves of `line` (1-based; 0 for none).
    void set_selected_line(std::int64_t line);
    /// Puts the tool where the moves of `line` end (1-based; 0 for none).
    void set_tool_line(std::int64_t line);
    /// Where the tool is drawn, in widget pixels; none while not known.
    [[nodiscard]] std::optional<Point2> tool_point() const;

  signals:
    /// The operator clicked on a move of `line` (1-based): a look, never a
    /// command to the tape.
    void line_clicked(std::int64_t line);
    /// The operator asked for the menu at `global`, over a move of `line`
    /// (1-based; 0 where no move is near).
    void menu_requested(std::int64_t line, QPoint global);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void moved();  ///< the transform changed: the image is drawn again
    /// The line (1-based) of the move within reach of `at`; 0 for none.
    [[nodiscard]] std::int64_t line_at(QPointF at) const;
    void render_path();
    /// The moves, as polylines of their strokes, culled to `area` (none when
    /// null); `faint` in the mirror's colour.
    void draw_strokes(QPainter& painter, const QRectF& area, bool faint);
    /// What the magenta dots mean.
    void draw_legend(QPainter& painter) const;
    void paint_line_moves(QPainter& painter, std::int64_t line) const;
    /// The last move of `line`'s block or of the blocks before it; -1 if none.
    [[nodiscard]] std::int64_t last_move_of(std::int64_t line) const;
    /// Arcs are drawn in chords within half a pixel at the zoom.
    [[nodiscard]] double chord_tolerance() const { return 0.5 / view_.scale; }
    /// The moves of `line`: [first, last).
    [[nodiscard]] std::pair<std::size_t, std::size_t> moves_of(std::int64_t line) const;
    /// The widget area the moves of `line` cover (empty for none).
    [[nodiscard]] QRect line_area(std::int64_t line) const;
    [[nodiscard]] QRect tool_area() const;

    std::unique_ptr<MotionModel> model_;
    FlatPath path_;
    ToolpathAngle angle_ = ToolpathAngle::Top;
    ViewTransform view_;
    bool fitted_ = false;  ///< fit again on resize until the operator zooms or pans
    QImage image_;
    bool image_stale_ = true;
    FrameLimiter frame_{*this};  ///< the tool and the selection follow the tape
    std::vector<std::int32_t> waiting_lines_;
    std::int64_t selected_line_ = 0;
    std::int64_t tool_line_ = 0;
    std::optional<QPoint> press_;
    QPoint last_drag_;
    bool dragged_ = false;
    std::vector<QToolButton*> angle_buttons_;
};

}  // namespace feedrite
