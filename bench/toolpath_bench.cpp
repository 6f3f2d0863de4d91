// SPDX-License-Identifier: GPL-3.0-or-later
// The toolpath view on a 3D surfacing program of short blocks (by default
// 3.2 MB, about 169,000 blocks, arcs between the passes), offscreen: the
// time to build the motion model and show it fitted, the time of a repaint
// while panning (fitted and zoomed in), the cost of following the tape with
// the tool, and the memory of model and view.
//
// Run with QT_QPA_PLATFORM=offscreen:  toolpath_bench [MEGABYTES] [--arcs] [--write FILE]

#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>

#include "gui/toolpath_view.h"
#include "motion/motion_model.h"

namespace {

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

long rss_kb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
    return -1;
}

// Bytes in use on the heap: unlike the resident size, freed blocks the
// allocator keeps do not count.
double heap_bytes() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

// Passes along X over a wavy surface, 0.05 mm apart, 0.5 mm between passes;
// each pass joins the next by a half circle, as a surfacing path does. With
// `arcs` every step is an arc in the XZ plane, as arc-fitting CAM writes them.
std::string surfacing_program(std::size_t bytes, bool arcs) {
    std::string text = "%\r\nO1000\r\nG21 G90 G17 G54\r\nG0 X0 Y0 Z5.\r\nG1 Z0 F800.\r\n";
    if (arcs) text += "G18\r\n";
    const auto height = [](double x, double y) {
        return 2 * std::sin(x / 9) * std::cos(y / 13) - 3;
    };
    double y = 0;
    for (int pass = 0; text.size() < bytes; ++pass, y += 0.5) {
        const bool forward = pass % 2 == 0;
        for (int step = 0; step <= 2000 && text.size() < bytes; ++step) {
            const double x = forward ? step * 0.05 : 100 - step * 0.05;
            text += (arcs ? "G2X" : "G1X") + number(x) + " Z" + number(height(x, y)) +
                    (arcs ? "R2.\r\n" : "\r\n");
        }
        text += std::string(forward ? "G17G3" : "G17G2") + "Y" + number(y + 0.5) + "R0.25\r\n" +
                (arcs ? "G18\r\n" : "G1\r\n");
    }
    text += "G0 Z5.\r\nM30\r\n%\r\n";
    return text;
}

void drag(QWidget& view, QPoint from, QPoint to, QEvent::Type type) {
    QMouseEvent event(
        type, to, view.mapToGlobal(to), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    (void)from;
    QCoreApplication::sendEvent(&view, &event);
}

// Milliseconds of one repaint while dragging across `steps` moves: wall, CPU.
std::pair<double, double> pan_ms(feedrite::ToolpathView& view, int steps) {
    const QPoint centre = view.rect().center();
    drag(view, centre, centre, QEvent::MouseButtonPress);
    QElapsedTimer timer;
    timer.start();
    const double cpu = cpu_seconds();
    for (int k = 1; k <= steps; ++k) {
        drag(view, centre, centre + QPoint(k * 4, k * 2), QEvent::MouseMove);
        view.repaint();
    }
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6 / steps;
    const double cpu_ms = (cpu_seconds() - cpu) * 1e3 / steps;
    drag(view, centre, centre + QPoint(steps * 4, steps * 2), QEvent::MouseButtonRelease);
    return {ms, cpu_ms};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    double megabytes = 3.2;
    bool with_arcs = false;
    std::string write_to;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--arcs")
            with_arcs = true;
        else if (arg == "--write" && i + 1 < argc)
            write_to = argv[++i];
        else
            megabytes = std::stod(arg);
    }
    const std::string text =
        surfacing_program(static_cast<std::size_t>(megabytes * 1e6), with_arcs);
    if (!write_to.empty()) std::ofstream(write_to, std::ios::binary) << text;
    feedrite::ToolpathView view;
    view.resize(900, 650);
    view.show();
    QCoreApplication::processEvents();
    // The view's image of the path is made at the first paint, so it is
    // added by hand (4 bytes a pixel), not measured.
    const double image = 900.0 * 650 * 4;
    const long rss_before = rss_kb();
    const double heap_before = heap_bytes();

    QElapsedTimer timer;
    timer.start();
    double cpu = cpu_seconds();
    std::unique_ptr<feedrite::MotionModel> model;
    std::size_t line_count = 0;
    {  // as the window builds it: the lines are let go at once
        const std::vector<std::string_view> lines = feedrite::program_lines(text);
        line_count = lines.size();
        model = std::make_unique<feedrite::MotionModel>(
            lines, feedrite::MotionSettings{feedrite::machine_kind_of(lines), 12000});
    }
    const double model_ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const std::size_t moves = model->moves().size(), arcs = model->arcs().size();
    view.set_model(std::move(model));
    view.repaint();
    const double shown_ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    cpu = cpu_seconds() - cpu;
    const long rss_after = rss_kb();
    const double heap_after = heap_bytes();
    std::printf("program: %.2f MB, %zu lines, %zu moves (%zu arcs)\n",
                static_cast<double>(text.size()) / 1e6, line_count, moves, arcs);
    std::printf("model: %.0f ms; model, view and first paint: %.0f ms (CPU %.0f ms)\n", model_ms,
                shown_ms, cpu * 1e3);
    const double size = static_cast<double>(text.size());
    const double heap = heap_after - heap_before + image;
    const double resident = static_cast<double>(rss_after - rss_before) * 1024 + image;
    std::printf(
        "memory of model and view (with its image, %.2f MB): heap %.2f MB (%.2f times "
        "the program), resident %.2f MB (%.2f times)\n",
        image / 1e6, heap / 1e6, heap / size, resident / 1e6, resident / size);

    {
        const auto [wall, cpu_ms] = pan_ms(view, 60);
        std::printf("repaint while panning, fitted: %.2f ms (CPU %.2f ms)\n", wall, cpu_ms);
    }
    for (int k = 0; k < 5; ++k) {
        QWheelEvent wheel(QPointF(450, 325), view.mapToGlobal(QPointF(450, 325)), QPoint(),
                          QPoint(0, 240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&view, &wheel);
    }
    view.repaint();
    {
        const auto [wall, cpu_ms] = pan_ms(view, 60);
        std::printf("repaint while panning, zoomed in 12x: %.2f ms (CPU %.2f ms)\n", wall, cpu_ms);
    }
    view.fit();
    view.set_angle(feedrite::ToolpathAngle::Oblique);
    view.repaint();
    {
        const auto [wall, cpu_ms] = pan_ms(view, 60);
        std::printf("repaint while panning, oblique: %.2f ms (CPU %.2f ms)\n", wall, cpu_ms);
    }

    // The tool following the tape, a block at a time, with the loop's repaints.
    const int blocks = 20'000;
    timer.restart();
    cpu = cpu_seconds();
    for (int line = 1; line <= blocks; ++line) {
        view.set_tool_line(line);
        view.set_selected_line(line);
        QCoreApplication::processEvents();
    }
    std::printf("following the tape: %.1f us a block (CPU %.1f us)\n",
                static_cast<double>(timer.nsecsElapsed()) / 1e3 / blocks,
                (cpu_seconds() - cpu) * 1e6 / blocks);
    return 0;
}
