// SPDX-License-Identifier: GPL-3.0-or-later
// The program view under load, offscreen: the send driver's own cost per
// block (cutting the block, highlighting it, the run's counters, one yield) on
// a 1,000,000-line program in the shown main window, whose timers (the caret
// panels, the progress bar four times a second) run in those yields, the time and memory to show a
// 10 MB and a 100 MB program, and the time of one typed character near the top of a 100 MB program
// (every later line moves).
//
// Run with QT_QPA_PLATFORM=offscreen:
//   view_bench [blocks | hidden-bar | view | bar | edit | MEGABYTES]
// One measurement per run, so each peak of memory is its own.

#include <QApplication>
#include <QElapsedTimer>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

#include "btr/block/hilight_line.h"
#include "core/window_state.h"
#include "gui/feedrite_form.h"
#include "gui/program_edit.h"
#include "gui/progress_bar.h"
#include "gui/qt_text_view.h"
#include "tests/support/session_probe.h"

namespace {

// This process's CPU time: on a shared machine the wall clock also counts
// what the others did.
double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::string program_of_size(std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 64);
    for (int n = 1; text.size() < bytes; ++n)
        text += "N" + std::to_string(n) + " G01 X" + std::to_string(n % 997) + ".125 Y-" +
                std::to_string(n % 613) + ".5 F250.\r\n";
    return text;
}

std::string program_of_lines(int lines) {
    std::string text;
    for (int n = 1; n <= lines; ++n)
        text += "N" + std::to_string(n) + " G01 X" + std::to_string(n % 997) + ".125\r\n";
    return text;
}

long rss_kb(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(field)) return std::stol(line.substr(std::string(field).size()));
    return -1;
}

// The same loop on the view alone, without the window around it.
void per_block_view_only() {
    feedrite::ProgramEdit edit;
    edit.resize(800, 600);
    edit.show();
    feedrite::QtTextView view(edit);
    feedrite::WindowState state;
    view.set_text(program_of_lines(1'000'000));
    QCoreApplication::processEvents();
    const int blocks = 20'000;
    std::int32_t start = 0;
    const double cpu_start = cpu_seconds();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < blocks; ++i) {
        QCoreApplication::processEvents();
        view.set_selection_start(start);
        feedrite::hilight_line(view, state);
        const std::string block = view.select_line_from(start);
        start += static_cast<std::int32_t>(block.size()) + 2;
    }
    const double us = static_cast<double>(timer.nsecsElapsed()) / 1e3 / blocks;
    const double cpu_us = (cpu_seconds() - cpu_start) * 1e6 / blocks;
    std::printf("per block, view only (cut, highlight, yield): %.1f us (CPU %.1f us)\n", us,
                cpu_us);
}

void per_block_overhead(bool with_bar) {
    feedrite::ModuleState module;
    feedrite::FeedriteForm form(module, std::string("."));
    form.show();
    if (!with_bar) form.progress_bar().hide();
    feedrite::TextView& view = form.text_view();
    feedrite::WindowState& state = feedrite::SessionProbe::state(form.session());
    view.set_text(program_of_lines(1'000'000));
    feedrite::RunCounters& run = state.run;
    run.phase = feedrite::RunPhase::Sending;
    run.cycles_started = 1;
    run.cycle_started_at = feedrite::monotonic_seconds();
    run.total = view.length();
    QCoreApplication::processEvents();
    const int blocks = 20'000;
    std::int32_t start = 0;
    const std::string shown_before = form.progress_bar().texts().main;
    const double cpu_start = cpu_seconds();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < blocks; ++i) {
        QCoreApplication::processEvents();
        view.set_selection_start(start);
        feedrite::hilight_line(view, state);
        run.position = start;
        const std::string block = view.select_line_from(start);
        ++run.blocks_sent;
        run.consumed += static_cast<std::int64_t>(block.size()) + 2;
        start += static_cast<std::int32_t>(block.size()) + 2;
    }
    const double us = static_cast<double>(timer.nsecsElapsed()) / 1e3 / blocks;
    const double cpu_us = (cpu_seconds() - cpu_start) * 1e6 / blocks;
    std::printf(
        "per block (cut, highlight, counters, yield) on 1,000,000 lines, progress bar %s: "
        "%.1f us (CPU %.1f us)\n",
        with_bar ? "shown" : "hidden", us, cpu_us);
    std::printf("progress bar before: \"%s\", after: \"%s\" / \"%s\"\n", shown_before.c_str(),
                form.progress_bar().texts().main.c_str(),
                form.progress_bar().texts().detail.c_str());
}

// One refresh of the progress bar with a changed figure, painted at once:
// what the bar's timer costs the engine's yield four times a second.
void progress_refresh() {
    feedrite::ModuleState module;
    feedrite::FeedriteForm form(module, std::string("."));
    form.show();
    form.text_view().set_text(program_of_lines(1'000'000));
    feedrite::RunCounters& run = feedrite::SessionProbe::state(form.session()).run;
    run.phase = feedrite::RunPhase::Sending;
    run.cycles_started = 1;
    run.cycle_started_at = feedrite::monotonic_seconds();
    run.total = form.text_view().length();
    QCoreApplication::processEvents();
    const int refreshes = 2'000;
    const double cpu_start = cpu_seconds();
    for (int i = 0; i < refreshes; ++i) {
        run.position = run.consumed = static_cast<std::int64_t>(i) * 25'000;
        form.show_progress();
        form.progress_bar().repaint();
    }
    std::printf("one progress refresh with a repaint: CPU %.1f us\n",
                (cpu_seconds() - cpu_start) * 1e6 / refreshes);
}

void show_program(std::size_t megabytes) {
    const std::string text = program_of_size(megabytes * 1'000'000);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = rss_kb("VmHWM:");
    QElapsedTimer timer;
    timer.start();
    feedrite::ProgramEdit edit;
    edit.resize(800, 600);
    feedrite::QtTextView view(edit);
    view.set_text(text);
    edit.show();
    QCoreApplication::processEvents();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("%zu MB program into the view and shown: %.2f s, peak memory +%ld MB\n", megabytes,
                seconds, (rss_kb("VmHWM:") - before) / 1000);
}

void typed_character() {
    feedrite::ProgramEdit edit;
    edit.resize(800, 600);
    edit.show();
    feedrite::QtTextView view(edit);
    view.set_text(program_of_size(100'000'000));
    QCoreApplication::processEvents();
    const int keys = 20;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < keys; ++i) {
        view.set_selection_start(100 + i);
        view.replace_selection(i % 4 == 3 ? "\r\n" : "X");
        QCoreApplication::processEvents();
    }
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6 / keys;
    std::printf("one character typed near the top of a 100 MB program: %.1f ms\n", ms);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "blocks";
    std::size_t megabytes = 0;
    const auto [end, ec] = std::from_chars(what.data(), what.data() + what.size(), megabytes);
    const bool size = ec == std::errc() && end == what.data() + what.size() && megabytes > 0;
    const bool known = what == "blocks" || what == "hidden-bar" || what == "view" ||
                       what == "bar" || what == "edit" || size;
    if (!known) {
        std::fprintf(stderr,
                     "usage: view_bench [blocks | hidden-bar | view | bar | edit | MEGABYTES]\n");
        return 2;
    }
    QApplication app(argc, argv);
    if (what == "blocks" || what == "hidden-bar")
        per_block_overhead(what == "blocks");
    else if (what == "view")
        per_block_view_only();
    else if (what == "bar")
        progress_refresh();
    else if (what == "edit")
        typed_character();
    else
        show_program(megabytes);
    return 0;
}
