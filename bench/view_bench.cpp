// The program view under load, offscreen: the send driver's own cost per
// block (cutting the block, highlighting it, one yield) on a 1,000,000-line
// program, the time and memory to show a 10 MB and a 100 MB program, and the
// time of one typed character near the top of a 100 MB program (every later
// line moves).
//
// Run with QT_QPA_PLATFORM=offscreen:  view_bench [blocks | edit | MEGABYTES]
// One measurement per run, so each peak of memory is its own.

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <fstream>
#include <string>

#include "gui/program_edit.h"
#include "gui/qt_text_view.h"
#include "core/window_state.h"
#include "btr/block/hilight_line.h"

namespace {

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

void per_block_overhead() {
    feedrite::ProgramEdit edit;
    edit.resize(800, 600);
    edit.show();
    feedrite::QtTextView view(edit);
    feedrite::WindowState state;
    view.set_text(program_of_lines(1'000'000));
    QCoreApplication::processEvents();
    const int blocks = 20'000;
    std::int32_t start = 0;
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
    std::printf("per block (cut, highlight, yield) on 1,000,000 lines: %.1f us\n", us);
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
    QApplication app(argc, argv);
    const std::string what = argc > 1 ? argv[1] : "blocks";
    if (what == "blocks")
        per_block_overhead();
    else if (what == "edit")
        typed_character();
    else
        show_program(static_cast<std::size_t>(std::stoul(what)));
    return 0;
}
