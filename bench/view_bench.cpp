// The program view under load, offscreen: the send driver's own cost per
// block (cutting the block, highlighting it, one yield) on a 1,000,000-line
// program, and the time and memory to show a 10 MB and a 100 MB program.
//
// Run with QT_QPA_PLATFORM=offscreen:  view_bench [blocks | MEGABYTES]
// One measurement per run, so each peak of memory is its own.

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/toolkit/qt_text_view.h"
#include "app/window_state.h"
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
    QPlainTextEdit edit;
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
    QPlainTextEdit edit;
    edit.resize(800, 600);
    feedrite::QtTextView view(edit);
    view.set_text(text);
    edit.show();
    QCoreApplication::processEvents();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("%zu MB program into the view and shown: %.2f s, peak memory +%ld MB\n", megabytes,
                seconds, (rss_kb("VmHWM:") - before) / 1000);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string what = argc > 1 ? argv[1] : "blocks";
    if (what == "blocks")
        per_block_overhead();
    else
        show_program(static_cast<std::size_t>(std::stoul(what)));
    return 0;
}
