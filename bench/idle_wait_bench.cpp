// SPDX-License-Identifier: GPL-3.0-or-later
// The wait for the control while it holds stop: how much of a core it takes,
// and how soon after run returns the first sprocket edge goes out. Sends a
// program to the virtual control with the shown window's host and the clock
// in the engine, as feedrite --simulate does; the control withdraws run after
// every 20 characters for 500 ms. A second thread samples the sending
// thread's CPU time every 10 ms.
//
// Run under a display or with QT_QPA_PLATFORM=offscreen:  idle_wait_bench

#include <pthread.h>

#include <QApplication>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>
#include <vector>

#include "base/file_io.h"
#include "bench/shown_window.h"
#include "config/apply_steps.h"
#include "config/presets.h"
#include "config/settings_loader.h"
#include "run/send_driver.h"
#include "run/session.h"
#include "sim/simulated_port.h"
#include "text/plain_text_view.h"

namespace {

using namespace feedrite;

struct Sample {
    ControlClock::time_point at;
    double cpu_ms;
};

double cpu_ms_of(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double cpu_percent(const std::vector<Sample>& samples, ControlClock::time_point from,
                   ControlClock::time_point to) {
    const auto first =
        std::find_if(samples.begin(), samples.end(), [&](const Sample& s) { return s.at >= from; });
    auto last = first;
    for (auto i = first; i != samples.end() && i->at <= to; ++i) last = i;
    if (first == samples.end() || last == first) return -1;
    return 100.0 * (last->cpu_ms - first->cpu_ms) / milliseconds_between(first->at, last->at);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures show as they come
    QApplication app(argc, argv);
    bench::ShownWindow shown;
    QtHost& host = shown.host();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("feedrite-idle-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string program = (dir / "part.nc").string();
    std::string text;
    for (int n = 10; text.size() < 1000; n += 10) text += "N" + std::to_string(n) + " G01 X1.5\r\n";
    (void)write_file_atomic(program, text);

    ConfigModel model(host);
    set_optional_defaults(model);
    default_settings(model);
    apply_preset(model, Preset::Fanuc);
    keep_up(model);
    const auto times = checked_times(model, host);
    if (!times ||
        !save_applied(model, *times, calibrated_rate(shown.best_of_seconds(1)), dir.string(), host))
        return 2;

    PlainTextView view;
    SimulatedPort* made = nullptr;
    Session run(host, view, [&made](const PortSettings& device) {
        auto port = std::make_unique<SimulatedPort>(device);
        made = port.get();
        return port;
    });
    const PortSettings& settings = run.settings();
    run.start(program, default_device_name, false);
    SendDriverHooks hooks;
    hooks.at_cycle_end = [&] { run.close(); };

    clockid_t sender_cpu{};
    pthread_getcpuclockid(pthread_self(), &sender_cpu);
    std::atomic<bool> done{false};
    std::vector<Sample> samples;
    std::thread sampler([&] {
        while (!done) {
            samples.push_back({ControlClock::now(), cpu_ms_of(sender_cpu)});
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    bool scripted = false;
    QObject::connect(&shown.window.timer1(), &QTimer::timeout, [&] {
        if (scripted || made == nullptr || made->control() == nullptr) return;
        made->control()->set_script({.stop_after = 20, .stop_ms = 500, .repeat = true});
        scripted = true;
    });
    // The control is scripted at the first tick after the port opened.
    (void)run.send(shown.module, dir.string(), hooks);
    done = true;
    sampler.join();
    std::filesystem::remove_all(dir);
    if (made == nullptr || made->control() == nullptr) return 2;

    const VirtualControl& control = *made->control();
    const bool run_level = settings.RunStop_logic;
    std::vector<double> held_cpu, napping_cpu, reactions;
    std::optional<ControlClock::time_point> stopped_at;
    for (const PinEdge& edge : control.edges()) {
        if (edge.pin != 11) continue;
        if (edge.high != run_level) {
            stopped_at = edge.at;
            continue;
        }
        if (!stopped_at) continue;
        held_cpu.push_back(cpu_percent(samples, *stopped_at, edge.at));
        napping_cpu.push_back(
            cpu_percent(samples, *stopped_at + std::chrono::milliseconds(30), edge.at));
        const auto next =
            std::find_if(control.characters().begin(), control.characters().end(),
                         [&](const LatchedCharacter& c) { return c.latched > edge.at; });
        if (next != control.characters().end())
            reactions.push_back(milliseconds_between(edge.at, next->latched));
        stopped_at.reset();
    }
    if (reactions.empty()) {
        std::printf("no stop was seen\n");
        return 2;
    }
    std::printf("%zu stops of 500 ms, %zu characters\n", reactions.size(),
                control.characters().size());
    std::printf(
        "CPU of the sending thread while held at stop: median %.1f%% of one core "
        "(whole stop), %.1f%% (after its first 30 ms)\n",
        median(held_cpu), median(napping_cpu));
    std::printf(
        "run to first sprocket edge: median %.3f ms, max %.3f ms "
        "(includes the %.3f ms overlap set before the sprocket)\n",
        median(reactions), *std::max_element(reactions.begin(), reactions.end()), times->overlap);
    return 0;
}
