// SPDX-License-Identifier: GPL-3.0-or-later
// What the control sees of the configured times. Calibrates with the speed
// test on this machine, then sends a program of about 2,000 characters to the
// virtual control with each preset, the engine's clock guard on as in the
// window, and compares every character's measured times with the set ones.
// A ratio below 1 is a pulse shorter than set: a real control may misread it.
//
// Five conditions: a quiet PC; the speed test made while both cores are busy
// (two spinning threads of this program) and the sending quiet; a quiet test
// and a busy sending; two busy processes through test and send; the 1-second
// quick test. --quick runs only the last, for a load made outside. The
// sending asks for real-time priority as the window does (NO_REALTIME=1: it
// does not), and each preset's line tells the CPU the sending took. Exits 1
// when any character was shorter than set. NO_GUARD=1 sends on the counts
// alone, for comparison; TIMING_DETAIL=1 adds the engine's own figures of the
// last 100 characters and the loop counts.
//
// REPORT_DIR=DIR reports each run as the window does, to what DIR's
// reporting settings name, with an MTConnect agent that never reads
// connected (bench/report_load.sh runs it with a broker it stops mid-run).
//
// Run under a display or with QT_QPA_PLATFORM=offscreen:  timing [--quick]

#include <netinet/in.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/file_io.h"
#include "base/number_text.h"
#include "bench/shown_window.h"
#include "btr/delay_figures.h"
#include "btr/speed_test.h"
#include "config/apply_steps.h"
#include "config/calibration.h"
#include "config/presets.h"
#include "config/settings_loader.h"
#include "core/realtime.h"
#include "core/run_counters.h"
#include "report/report_settings.h"
#include "run/send_driver.h"
#include "run/session.h"
#include "sim/control_figures.h"
#include "sim/simulated_port.h"
#include "text/plain_text_view.h"

namespace {

using namespace feedrite;

struct Expected {
    const char* name;
    double ms;
    std::vector<double> measured;
};

// The times each sequence should give the control, from the set ones.
std::vector<Expected> expected_times(const MillisecondTimes& t, bool async) {
    if (!async)
        return {{"data on", t.data_on, {}},
                {"sprocket on", t.sprocket_on, {}},
                {"overlap", t.overlap, {}},
                {"data off", t.data_off, {}}};
    // The asynchronous reader: the sprocket rests active between characters
    // and the data stay valid until the next character's idle phase.
    return {{"data on", 2 * t.overlap + 2 * t.sprocket_on + t.data_off, {}},
            {"sprocket on", 2 * t.sprocket_on + t.data_off, {}},
            {"overlap", t.overlap, {}},
            {"data off", t.data_on, {}}};
}

void collect(const std::vector<LatchedCharacter>& characters, std::vector<Expected>& times) {
    for (std::size_t i = 0; i + 1 < characters.size(); ++i) {
        const LatchedCharacter& c = characters[i];
        const CharacterFigures f = figures_of(c);
        if (f.data_on_ms) times[0].measured.push_back(*f.data_on_ms);
        if (f.sprocket_on_ms) times[1].measured.push_back(*f.sprocket_on_ms);
        times[2].measured.push_back(f.overlap_ms);
        if (c.data_off)
            times[3].measured.push_back(
                milliseconds_between(*c.data_off, characters[i + 1].data_on));
    }
}

double at_fraction(std::vector<double> values, double fraction) {
    const auto k = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    return values[k];
}

// Returns the number of characters shorter than set.
long report(const Expected& t) {
    if (t.measured.empty()) {
        std::printf("  %-12s set %7.3f ms: nothing measured\n", t.name, t.ms);
        return 0;
    }
    if (t.ms == 0) {
        std::printf("  %-12s set   0     ms: measured median %.3f ms, max %.3f ms\n", t.name,
                    at_fraction(t.measured, 0.5), at_fraction(t.measured, 1.0));
        return 0;
    }
    std::vector<double> ratios;
    for (double ms : t.measured) ratios.push_back(ms / t.ms);
    const auto shorter =
        std::count_if(ratios.begin(), ratios.end(), [](double r) { return r < 1; });
    std::printf("  %-12s set %7.3f ms: ratio median %.3f  p1 %.3f  p99 %.3f  max %.3f", t.name,
                t.ms, at_fraction(ratios, 0.5), at_fraction(ratios, 0.01),
                at_fraction(ratios, 0.99), at_fraction(ratios, 1.0));
    if (shorter > 0)
        std::printf("   SHORTER THAN SET in %ld of %zu characters", static_cast<long>(shorter),
                    ratios.size());
    std::printf("\n");
    return static_cast<long>(shorter);
}

std::string program_text() {
    std::string text;
    for (int n = 10; text.size() < 2000; n += 10)
        text += "N" + std::to_string(n) + " G01 X" + std::to_string(n % 97) + ".125 Y-" +
                std::to_string(n % 53) + ".5 F250\r\n";
    return text;
}

// A spinning load runs as a normal program, whatever the sender was granted.
void normal_priority() {
    sched_param param{};
    (void)pthread_setschedparam(pthread_self(), SCHED_OTHER, &param);
}

// Both cores busy while it lives: two threads that spin.
class BusyCores {
  public:
    BusyCores() {
        for (auto& t : threads_)
            t = std::thread([this] {
                normal_priority();
                volatile unsigned long n = 0;
                while (!stop_.load(std::memory_order_relaxed)) n = n + 1;
            });
    }
    ~BusyCores() {
        stop_ = true;
        for (auto& t : threads_) t.join();
    }

  private:
    std::atomic<bool> stop_{false};
    std::thread threads_[2];
};

// Both cores busy while it lives: two other processes that spin.
class BusyProcesses {
  public:
    BusyProcesses() {
        for (pid_t& pid : pids_) {
            pid = ::fork();
            if (pid != 0) continue;
            normal_priority();
            volatile unsigned long n = 0;
            for (;;) n = n + 1;
        }
    }
    ~BusyProcesses() {
        for (const pid_t pid : pids_) {
            if (pid <= 0) continue;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

  private:
    pid_t pids_[2] = {};
};

struct Condition {
    const char* name;
    int test_seconds;
    bool busy_test, busy_send, busy_processes = false;
};

double thread_cpu_seconds() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// An MTConnect agent that connects and never reads: what it is sent piles
// up in its small receive buffer and then in the adapter's.
class StuckAgent {
  public:
    explicit StuckAgent(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        const int smallest = 1;
        (void)::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &smallest, sizeof smallest);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the socket API's own cast
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            std::printf("  (no agent: the adapter does not listen on %d)\n", port);
    }
    ~StuckAgent() { ::close(fd_); }
    StuckAgent(const StuckAgent&) = delete;
    StuckAgent& operator=(const StuckAgent&) = delete;

  private:
    int fd_;
};

// Reporting as the window does it: the progress polled by a timer, which
// hands the reporter its snapshot.
class BenchReport {
  public:
    explicit BenchReport(Session& run) {
        const char* dir = std::getenv("REPORT_DIR");
        if (dir == nullptr) return;
        run.report_machine(dir, std::cout, "  report: ");
        std::string problem;
        const int port = read_report_settings(dir, problem).shdr_port;
        if (port > 0) agent_.emplace(port);
        upkeep_.setInterval(250);
        QObject::connect(&upkeep_, &QTimer::timeout, [&run] { (void)run.poll_progress(); });
        upkeep_.start();
    }

  private:
    std::optional<StuckAgent> agent_;
    QTimer upkeep_;
};

// Sends the program with each preset at `rate`; the characters shorter than set.
long send_presets(QtHost& host, ModuleState& module, std::int32_t rate, bool busy,
                  const std::filesystem::path& dir, const std::string& program) {
    long shorter = 0;
    const std::pair<const char*, Preset> presets[] = {
        {"Fanuc", Preset::Fanuc}, {"Yasnac", Preset::Yasnac}, {"P & W", Preset::PW}};
    for (const auto& [name, preset] : presets) {
        ConfigModel model(host);
        set_optional_defaults(model);
        default_settings(model);
        apply_preset(model, preset);
        keep_up(model);
        const std::optional<MillisecondTimes> times = checked_times(model, host);
        if (!times || !save_applied(model, *times, rate, dir.string(), host)) return -1;

        PlainTextView view;
        SimulatedPort* made = nullptr;
        Session run(
            host, view,
            [&made](const PortSettings& device) {
                auto port = std::make_unique<SimulatedPort>(device);
                made = port.get();
                return port;
            },
            std::getenv("NO_GUARD") != nullptr ? SessionTiming::Unguarded : SessionTiming::Guarded);
        const PortSettings& settings = run.settings();
        const DelayFigures& figures = run.figures();
        run.start(program, default_device_name, false);
        BenchReport reporting(run);
        SendDriverHooks hooks;
        hooks.at_cycle_end = [&] { run.close(); };
        const double cpu_before = thread_cpu_seconds();
        const double wall_before = monotonic_seconds();
        {
            std::optional<BusyCores> load;
            if (busy) load.emplace();
            (void)run.send(module, dir.string(), hooks);
        }
        const double cpu =
            (thread_cpu_seconds() - cpu_before) / (monotonic_seconds() - wall_before);
        if (made == nullptr || made->control() == nullptr) return -1;
        ControlCable& cable = *made;

        const std::vector<LatchedCharacter>& characters = cable.control()->characters();
        std::vector<Expected> expected = expected_times(*times, model.ticked(Tick::Chk_Async));
        collect(characters, expected);
        const std::optional<double> cps = characters_per_second(characters);
        const double display = std::atof(model.CPS_txt.c_str());
        std::printf(
            "\n%s: %zu characters, %.1f per second (speed display %s: %.1f %%), %zu findings, "
            "CPU %.0f %% of a core\n",
            name, characters.size(), cps.value_or(0), model.CPS_txt.c_str(),
            display > 0 ? 100 * cps.value_or(0) / display : 0, cable.control()->findings().size(),
            100 * cpu);
        for (const Expected& t : expected) shorter += report(t);
        if (std::getenv("TIMING_DETAIL") != nullptr)
            std::printf("  engine: %s\n  counts %g %g %g %g %g %g\n",
                        timing_panel_detail(figures).c_str(), settings.BTRdelay1,
                        settings.BTRdelay2, settings.BTRdelay3, settings.BTRdelay4,
                        settings.BTRdelay5, settings.BTRdelay6);
    }
    return shorter;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures show as they come
    QApplication app(argc, argv);
    bench::ShownWindow shown;
    QtHost& host = shown.host();

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("feedrite-timing-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string program = (dir / "part.nc").string();
    (void)write_file_atomic(program, program_text());

    if (std::getenv("NO_REALTIME") == nullptr) {
        SystemScheduler scheduler;
        std::printf("%s\n", request_realtime(scheduler).note.c_str());
    }
    const std::vector<Condition> all = {
        {"quiet PC", 10, false, false},
        {"speed test on a busy PC, quiet sending", 10, true, false},
        {"quiet speed test, busy sending", 10, false, true},
        {"two busy processes through test and send", 10, false, false, true},
        {"1-second quick test", 1, false, false}};
    const std::vector<Condition> conditions = quick ? std::vector<Condition>{all.back()} : all;
    long shorter = 0;
    for (const Condition& c : conditions) {
        std::int32_t best = 0;
        std::optional<BusyProcesses> processes;
        if (c.busy_processes) processes.emplace();
        {
            std::optional<BusyCores> load;
            if (c.busy_test) load.emplace();
            best = shown.best_of_seconds(c.test_seconds);
        }
        const std::int32_t rate = calibrated_rate(best);
        std::printf("\n=== %s: speed test %d s, best %d, rate %d\n", c.name, c.test_seconds, best,
                    rate);
        const long n = send_presets(host, shown.module, rate, c.busy_send, dir, program);
        processes.reset();
        if (n < 0) return 2;
        shorter += n;
    }
    std::filesystem::remove_all(dir);
    std::printf("\n%s\n", shorter > 0 ? "SOME CHARACTERS WERE SHORTER THAN SET"
                                      : "no character shorter than set");
    return shorter > 0 ? 1 : 0;
}
