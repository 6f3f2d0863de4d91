// SPDX-License-Identifier: GPL-3.0-or-later
// The toolpath view: its arithmetic as tables, then the view in the main
// window, offscreen: a click on a move selects its line, the selected line and
// the tool follow.

#include "gui/toolpath_view.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "gui/feedrite_form.h"
#include "gui/program_edit.h"
#include "tests/support/session_probe.h"
#include "tests/support/temp_dir.h"
#include "tools/command_line.h"

using namespace feedrite;

namespace {

bool near(Point2 a, Point2 b, double within = 1e-6) {
    return std::hypot(a.x - b.x, a.y - b.y) <= within;
}

MotionModel model_of(const std::vector<std::string_view>& lines) {
    return MotionModel(lines, MotionSettings{MachineKind::Mill, 10000});
}

std::int64_t line_of_move(const MotionModel& model, std::int64_t move) {
    return move < 0 ? -1 : model.line_of(static_cast<std::size_t>(move));
}

}  // namespace

class ToolpathViewTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void projections_fit_and_zoom() {
        const std::array<float, 3> p{1, 2, 3};
        const double c = std::sqrt(3.0) / 2;
        const struct {
            ToolpathAngle angle;
            Point2 expected;
        } views[] = {{ToolpathAngle::Top, {1, 2}},
                     {ToolpathAngle::Front, {1, 3}},
                     {ToolpathAngle::Side, {2, 3}},
                     {ToolpathAngle::Oblique, {3 * c, 3.5}},
                     {ToolpathAngle::Turning, {3, 1}}};
        for (const auto& v : views) QVERIFY(near(project(v.angle, p), v.expected));

        // Bounds, widget size, margin; where two plane points land.
        const struct {
            const char* name;
            Bounds box;
            double width, height;
            Point2 low_left, low_left_at, high_right_at;
        } fits[] = {
            {"wide", {0, 0, 100, 50}, 220, 120, {0, 0}, {10, 110}, {210, 10}},
            {"tall", {0, 0, 10, 50}, 220, 120, {0, 0}, {100, 110}, {120, 10}},
            {"flat", {0, 5, 100, 5}, 220, 120, {0, 5}, {10, 60}, {210, 60}},
            {"empty", {}, 220, 120, {0, 0}, {110, 60}, {110, 60}},
        };
        for (const auto& f : fits) {
            const ViewTransform view = fit_to(f.box, f.width, f.height, 10);
            const Point2 high = f.box.empty() ? Point2{} : Point2{f.box.right, f.box.top};
            QVERIFY2(near(view.to_screen(f.low_left), f.low_left_at), f.name);
            QVERIFY2(near(view.to_screen(high), f.high_right_at), f.name);
            QVERIFY2(near(view.to_plane(view.to_screen({3, 4})), {3, 4}), f.name);
        }

        const ViewTransform view{2, 10, 300};
        const Point2 mouse{57, 81};
        const ViewTransform in = zoom_around(view, mouse, 3, 0.1, 100);
        QCOMPARE(in.scale, 6.0);
        QVERIFY(near(in.to_plane(mouse), view.to_plane(mouse)));
        QCOMPARE(zoom_around(view, mouse, 1000, 0.1, 100).scale, 100.0);
        QCOMPARE(zoom_around(view, mouse, 1e-6, 0.1, 100).scale, 0.1);
    }

    // Each arc from a program on the plane it is drawn in: every point on
    // its circle (a helix rises evenly), the last one its end, and through a
    // point only its direction passes.
    void arcs_in_every_plane() {
        const struct {
            const char* name;
            std::vector<std::string_view> program;
            ToolpathAngle angle;
            Point2 centre;
            double radius;
            Point2 end, passes;
        } arcs[] = {
            {"G17 ccw",
             {"G17 G0 X10 Y0 Z0", "G3 X0 Y10 I-10"},
             ToolpathAngle::Top,
             {0, 0},
             10,
             {0, 10},
             {7.071, 7.071}},
            {"G17 cw",
             {"G17 G0 X10 Y0 Z0", "G2 X0 Y10 I-10"},
             ToolpathAngle::Top,
             {0, 0},
             10,
             {0, 10},
             {0, -10}},
            {"G17 R",
             {"G17 G0 X0 Y0 Z0", "G2 X10 R5"},
             ToolpathAngle::Top,
             {5, 0},
             5,
             {10, 0},
             {5, 5}},
            // G18 turns from Z to X: seen from the front its G3 is clockwise.
            {"G18 ccw",
             {"G18 G0 X10 Y0 Z0", "G3 X0 Z10 I-10"},
             ToolpathAngle::Front,
             {0, 0},
             10,
             {0, 10},
             {0, -10}},
            {"G18 cw",
             {"G18 G0 X10 Y0 Z0", "G2 X0 Z10 I-10"},
             ToolpathAngle::Front,
             {0, 0},
             10,
             {0, 10},
             {7.071, 7.071}},
            {"G19 ccw",
             {"G19 G0 X0 Y10 Z0", "G3 Y0 Z10 J-10"},
             ToolpathAngle::Side,
             {0, 0},
             10,
             {0, 10},
             {7.071, 7.071}},
            {"G17 full circle",
             {"G17 G0 X10 Y0 Z0", "G3 I-10"},
             ToolpathAngle::Top,
             {0, 0},
             10,
             {10, 0},
             {-10, 0}},
            {"helix",
             {"G17 G0 X10 Y0 Z0", "G3 X-10 Z-4 I-10"},
             ToolpathAngle::Front,
             {0, -2},
             0,
             {-10, -4},
             {0, -2}},
        };
        for (const auto& a : arcs) {
            const MotionModel model = model_of(a.program);
            const FlatPath path = flatten(model, a.angle);
            std::vector<Point2> points;
            for_each_segment(path, model, 1, 2, 1e-4,
                             [&](std::size_t, Point2, Point2 to) { points.push_back(to); });
            QVERIFY2(points.size() > 8, a.name);
            double nearest = 1e9;
            for (const Point2 p : points) {
                if (a.radius > 0)
                    QVERIFY2(
                        std::abs(std::hypot(p.x - a.centre.x, p.y - a.centre.y) - a.radius) < 1e-3,
                        a.name);
                nearest = std::min(nearest, std::hypot(p.x - a.passes.x, p.y - a.passes.y));
            }
            QVERIFY2(nearest < 0.2, a.name);
            QVERIFY2(near(points.back(), a.end, 1e-4), a.name);
        }
    }

    // Which moves are drawn and how, and which one a click hits.
    void strokes_and_hits() {
        const MotionModel model = model_of({
            "G0 X0 Y0",         // 1: Z not known
            "G0 Z5",            // 2: known again, from an unknown place
            "G1 X10 F100",      // 3
            "G1 Y10",           // 4
            "G53 G0 Z0",        // 5: Z in machine terms: lost
            "G1 X20",           // 6
            "G0 X0 Y0 Z5",      // 7: known again
            "G0 X-10",          // 8
            "G2 X-10 Y10 R#1",  // 9: the ends known, the way not
        });
        const auto last_stroke = [&](std::size_t line) {
            const auto& blocks = model.blocks();
            const std::size_t next =
                line < blocks.size() ? blocks[line].first_move : model.moves().size();
            return stroke_of(model, next - 1);
        };
        const Stroke expected[] = {Stroke::None, Stroke::None, Stroke::Feed,
                                   Stroke::Feed, Stroke::None, Stroke::Rapid};
        const std::size_t lines[] = {1, 2, 3, 4, 6, 8};
        for (std::size_t k = 0; k < std::size(lines); ++k)
            QVERIFY2(last_stroke(lines[k]) == expected[k], std::to_string(lines[k]).c_str());
        QVERIFY(regains_position(model, model.blocks()[1].first_move));
        QVERIFY(regains_position(model, model.blocks()[6].first_move));
        QVERIFY(!regains_position(model, model.blocks()[2].first_move));

        const FlatPath path = flatten(model, ToolpathAngle::Top);
        const ViewTransform view{10, 100, 200};  // X0 Y0 at (100, 200)
        const struct {
            Point2 click;
            std::int64_t line;
        } clicks[] = {
            {{150, 203}, 3}, {{200, 150}, 4}, {{50, 200}, 8}, {{150, 190}, -1}, {{280, 100}, -1}};
        for (const auto& c : clicks)
            QCOMPARE(line_of_move(model, move_at(path, model, view, c.click, 5)), c.line);
    }

    // A lathe program is drawn whole (it has no Y to lose), in its own plane
    // with the mirror's room, and only that view is offered.
    void a_lathe_in_its_plane() {
        const std::vector<std::string_view> lines = {"G00 X40 Z2", "G01 Z-30 F0.2", "X60"};
        auto model = std::make_unique<MotionModel>(lines, MotionSettings{MachineKind::Lathe, 6000});
        // After the first move, from where the tool stood before the program.
        for (std::size_t i = 1; i < model->moves().size(); ++i)
            QVERIFY(stroke_of(*model, i) != Stroke::None);
        const FlatPath path = flatten(*model, ToolpathAngle::Turning);
        QCOMPARE(path.bounds.left, -30.0);
        QCOMPARE(path.bounds.right, 2.0);
        QCOMPARE(path.bounds.top, 30.0);
        QCOMPARE(path.bounds.bottom, -30.0);
        ToolpathView view;
        view.set_model(std::move(model));
        QCOMPARE(view.angle(), ToolpathAngle::Turning);
        view.set_model(std::make_unique<MotionModel>(model_of({"G0 X1 Y1 Z1"})));
        QCOMPARE(view.angle(), ToolpathAngle::Top);
    }

    void the_main_window_shows_and_follows() {
        testing::TempDir dir;
        const std::string program = "G0 X0 Y0 Z5\r\nG1 X40 F100\r\nG1 Y20\r\nG1 X0\r\n";
        dir.write("part.nc", program);
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(dir.file("state")));
        ModuleState module;
        FeedriteForm form(module, std::string(dir.path()));
        form.start_up(read_command_line(dir.file("part.nc") + "|(default)|1"));
        form.timer2().stop();
        form.resize(1024, 700);
        form.show();
        form.text_view().set_text(program);
        SessionProbe::state(form.session()).view_holds_report = false;  // as after a load
        QAction& shown = form.toolpath_action();
        shown.setChecked(false);
        QVERIFY(form.toolpath().isHidden());
        shown.setChecked(true);  // shown again: built from the text
        ToolpathView& view = form.toolpath();
        QVERIFY(view.isVisible() && view.model() != nullptr);
        QVERIFY(form.txtedit().width() + view.width() > 1024 - 8);  // and the handle
        QVERIFY(form.txtedit().width() > view.width());
        form.resize(500, 700);  // too narrow for both: the path goes under the program
        QCOMPARE(form.txtedit().width(), 500);
        form.resize(1024, 700);

        // Fitted: the path's box fills the view's width or height less the margins.
        const Point2 a = view.transform().to_screen({0, 0}),
                     b = view.transform().to_screen({40, 20});
        QVERIFY(std::abs((b.x - a.x) - (view.width() - 32)) < 1 ||
                std::abs((a.y - b.y) - (view.height() - 32)) < 1);

        // A click on the move along Y selects line 3 in the program view and
        // leaves the tape where it is; the path's menu offers the reviewed resume.
        const Point2 on = view.transform().to_screen({40, 10});
        const QPoint at(qRound(on.x) + 2, qRound(on.y));
        SessionProbe::state(form.session()).Live_DNC_startpoint = 0;
        QTest::mouseClick(&view, Qt::LeftButton, {}, at);
        QCOMPARE(form.text_view().line_index(form.text_view().selection_start()), 2);
        QCOMPARE(form.text_view().selected_text(), std::string("G1 Y20\r"));
        QCOMPARE(SessionProbe::state(form.session()).Live_DNC_startpoint, 0);
        QString offered;
        QTimer::singleShot(0, [&offered] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                offered = menu->actions().at(0)->text();
                menu->close();
            }
        });
        QContextMenuEvent menu_event(QContextMenuEvent::Mouse, at, view.mapToGlobal(at));
        QApplication::sendEvent(&view, &menu_event);
        QCOMPARE(offered, QStringLiteral("Resume here\u2026"));

        view.set_tool_line(2);
        QVERIFY(view.tool_point() && near(*view.tool_point(), view.transform().to_screen({40, 0})));
        view.set_tool_line(4);
        QVERIFY(view.tool_point() && near(*view.tool_point(), view.transform().to_screen({0, 20})));
        view.set_tool_line(0);
        QVERIFY(!view.tool_point());
    }
};

QTEST_MAIN(ToolpathViewTest)
#include "toolpath_view_test.moc"
