// What the control sees of the configured times. Calibrates with the speed
// test on this machine, then sends a program of about 2,000 characters to the
// virtual control with each preset and compares every character's measured
// times with the set ones. A ratio below 1 is a pulse shorter than set: a
// real control may misread it.
//
// Run under a display or with QT_QPA_PLATFORM=offscreen:  timing [--quick]

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench/shown_window.h"
#include "text/plain_text_view.h"
#include "sim/control_figures.h"
#include "sim/simulated_port.h"
#include "config/apply_steps.h"
#include "config/calibration.h"
#include "config/file_io.h"
#include "config/number_text.h"
#include "config/presets.h"
#include "config/settings_loader.h"
#include "prepare/send_driver.h"

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
        if (c.data_off) times[3].measured.push_back(milliseconds_between(*c.data_off, characters[i + 1].data_on));
    }
}

double at_fraction(std::vector<double> values, double fraction) {
    const auto k = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    return values[k];
}

void report(const Expected& t) {
    if (t.measured.empty()) {
        std::printf("  %-12s set %7.3f ms: nothing measured\n", t.name, t.ms);
        return;
    }
    if (t.ms == 0) {
        std::printf("  %-12s set   0     ms: measured median %.3f ms, max %.3f ms\n", t.name,
                    at_fraction(t.measured, 0.5), at_fraction(t.measured, 1.0));
        return;
    }
    std::vector<double> ratios;
    for (double ms : t.measured) ratios.push_back(ms / t.ms);
    const auto shorter = std::count_if(ratios.begin(), ratios.end(), [](double r) { return r < 1; });
    std::printf("  %-12s set %7.3f ms: ratio median %.3f  p1 %.3f  p99 %.3f  max %.3f", t.name,
                t.ms, at_fraction(ratios, 0.5), at_fraction(ratios, 0.01),
                at_fraction(ratios, 0.99), at_fraction(ratios, 1.0));
    if (shorter > 0)
        std::printf("   SHORTER THAN SET in %ld of %zu characters", static_cast<long>(shorter),
                    ratios.size());
    std::printf("\n");
}

std::string program_text() {
    std::string text;
    for (int n = 10; text.size() < 2000; n += 10)
        text += "N" + std::to_string(n) + " G01 X" + std::to_string(n % 97) + ".125 Y-" +
                std::to_string(n % 53) + ".5 F250\r\n";
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    QApplication app(argc, argv);
    bench::ShownWindow shown;
    QtHost& host = shown.host();
    ModuleState& module = shown.module;
    const std::int32_t best = shown.best_of_seconds(quick ? 1 : 10);
    const std::int32_t rate = calibrated_rate(best);
    std::printf("speed test (%s): best %d passes per second, rate %d\n",
                quick ? "1 second, less accurate" : "10 seconds", best, rate);

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("feedrite-timing-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string program = (dir / "part.nc").string();
    (void)write_file_atomic(program, program_text());

    const std::pair<const char*, Preset> presets[] = {
        {"Fanuc", Preset::Fanuc}, {"Yasnac", Preset::Yasnac}, {"P & W", Preset::PW}};
    for (const auto& [name, preset] : presets) {
        ConfigModel model(host);
        set_optional_defaults(model);
        default_settings(model);
        apply_preset(model, preset);
        keep_up(model);
        const std::optional<MillisecondTimes> times = checked_times(model, host);
        if (!times || !save_applied(model, *times, rate, dir.string(), host)) return 1;

        WindowState state;
        state.filename = program;
        state.IO_device_name = default_device_name;
        PortSettings settings;
        SimulatedPort cable(settings);
        PlainTextView view;
        Engine engine{state, settings, cable, host, view};
        SendDriverHooks hooks;
        hooks.at_cycle_end = [&] { state.DNC_reset = DNC_closing; };
        SendDriver driver(engine, settings, module, dir.string(), hooks);
        (void)driver.send_file();
        if (cable.control() == nullptr) return 1;

        const std::vector<LatchedCharacter>& characters = cable.control()->characters();
        std::vector<Expected> expected = expected_times(*times, model.ticked(Tick::Chk_Async));
        collect(characters, expected);
        const std::optional<double> cps = characters_per_second(characters);
        std::printf("\n%s: %zu characters, %.1f per second (speed display %s)\n", name,
                    characters.size(), cps.value_or(0), model.CPS_txt.c_str());
        for (const Expected& t : expected) report(t);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
