// SPDX-License-Identifier: GPL-3.0-or-later
// Loads a generated 50 MB program through the core's loading path (CALL
// expansion, replacement, the scratchpad written and read back, the view's
// text built) and reports the time and the peak memory it took.
//
// Usage: load_bench [FOLDER]   (default: a new folder under /tmp)

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "core/console_host.h"
#include "run/program_loader.h"
#include "text/plain_text_view.h"

namespace {

constexpr int main_blocks = 1'500'000;
constexpr int sub_blocks = 30'000;  // about 1 MB

std::string move_block(int n) {
    return "N" + std::to_string(n) + " X" + std::to_string(n % 997) + ".125 Y-" +
           std::to_string(n % 613) + ".5 (P" + std::to_string(n % 40) + ")";
}

void write_program(const std::string& path, int blocks, bool with_call) {
    std::ofstream out(path, std::ios::binary);
    for (int n = 1; n <= blocks; ++n) {
        if (with_call && n == blocks / 2) out << "N" << n << " CALL FINISH.NC (5 TIMES)\r\n";
        out << move_block(n) << (n % 1000 == 0 ? " G90" : "") << "\r\n";
    }
}

long peak_rss_kb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    return -1;
}

void reset_peak_rss() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace

int main(int argc, char** argv) {
    using namespace feedrite;
    std::string folder = argc > 1 ? argv[1] : "";
    if (folder.empty()) {
        char pattern[] = "/tmp/feedrite-load-XXXXXX";
        folder = mkdtemp(pattern);
    }
    write_program(folder + "/main.nc", main_blocks, true);
    write_program(folder + "/FINISH.NC", sub_blocks, false);
    const auto main_size = std::filesystem::file_size(folder + "/main.nc");

    ConsoleHost host(std::cerr);
    WindowState state;
    ModuleState module;
    PortSettings settings;
    settings.Replace_text = "G90";
    settings.replace_with_sent = "G91";
    PlainTextView view;

    reset_peak_rss();
    const long rss_before = peak_rss_kb();
    const auto start = std::chrono::steady_clock::now();
    ProgramLoader loader(host, state, module, settings);
    LoadResult result = loader.load(folder + "/main.nc", folder + "/scratchpad data 5b");
    view.set_text(result.text);
    result.text.clear();
    result.text.shrink_to_fit();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak_kb = peak_rss_kb() - rss_before;

    const double expanded_mb = static_cast<double>(view.length()) / 1e6;
    std::printf("main program   %.1f MB\n", static_cast<double>(main_size) / 1e6);
    std::printf("expanded text  %.1f MB (%s)\n", expanded_mb,
                result.status == LoadStatus::Loaded ? "loaded" : "FAILED");
    std::printf("time           %.2f s\n", seconds);
    std::printf("peak memory    %.1f MB above the start = %.2f x the expanded text\n",
                static_cast<double>(peak_kb) / 1e3,
                static_cast<double>(peak_kb) / 1e3 / expanded_mb);
    std::filesystem::remove_all(folder);
    return result.status == LoadStatus::Loaded ? 0 : 1;
}
