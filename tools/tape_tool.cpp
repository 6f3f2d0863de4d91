// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/tape_tool.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>

#include "base/program_dir.h"
#include "base/stop_request.h"
#include "btr/port/tracing_port.h"
#include "core/console_host.h"
#include "motion/estimate.h"
#include "resume/resume_plan.h"
#include "run/send_driver.h"
#include "run/session.h"
#include "sim/simulated_port.h"
#include "text/plain_text_view.h"
#include "tools/command_line.h"
#include "tools/option_table.h"

namespace feedrite {
namespace {

enum class Output { Raw, Text, Trace };

struct TapeOptions : CommonOptions {
    int cycles = 1;
    std::int64_t from_line = 0;  ///< --from-line; 0 = from the top
    Output output = Output::Raw;
    bool guard = false;
    bool estimate = false;
    std::string text;
    std::string error;
};

bool parse_count(const std::string& text, int& count) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
    return ec == std::errc() && end == text.data() + text.size() && count >= 1;
}

std::string set_output(TapeOptions& options, Output output) {
    if (options.output != Output::Raw && options.output != output)
        return "--trace and --text exclude each other";
    options.output = output;
    return {};
}

using Value = std::optional<std::string>;
constexpr OptionRow<TapeOptions> own_options[] = {
    {{"--timed"},
     [](TapeOptions& o, const Value&) {
         o.guard = true;
         return std::string();
     }},
    {{"--estimate"},
     [](TapeOptions& o, const Value&) {
         o.estimate = true;
         return std::string();
     }},
    {{"--trace"}, [](TapeOptions& o, const Value&) { return set_output(o, Output::Trace); }},
    {{"--text"}, [](TapeOptions& o, const Value&) { return set_output(o, Output::Text); }},
    {{"--cycles", OptionValue::Required, "a number (N)"},
     [](TapeOptions& o, const Value& count) {
         return parse_count(*count, o.cycles)
                    ? std::string()
                    : std::string("--cycles needs a whole number of 1 or more");
     }},
    {{"--from-line", OptionValue::Required, "a line number (N)"},
     [](TapeOptions& o, const Value& line) {
         int n = 0;
         if (!parse_count(*line, n))
             return std::string("--from-line needs a line number of 1 or more");
         o.from_line = n;
         return std::string();
     }},
};
constexpr auto tape_options = with_common_rows(own_options);

TapeOptions parse_tape_options(const std::vector<std::string>& args) {
    TapeOptions options;
    options.text =
        join_arguments(read_options<TapeOptions>(tape_options, args, options, options.error));
    return options;
}

// What the control latched, shown as the tool's output.
class LatchedOutput {
  public:
    LatchedOutput(SimulatedPort& port, const PortSettings& settings, Output output)
        : port_(port), settings_(settings), output_(output) {}

    /// Writes the characters latched since the last call and forgets them, so
    /// a long program needs no more memory than a short one.
    /// Called at every yield: the stream's own buffer decides when it is
    /// written (a write per character made a 1 MB leader a million writes).
    void flush(std::ostream& out) {
        VirtualControl* control = port_.control();
        if (control == nullptr || output_ == Output::Trace) return;
        if (control != control_) set_ = VirtualControlSettings::matching(settings_).code;
        control_ = control;
        const int set = set_;
        for (const LatchedCharacter& character : control->characters()) {
            const std::uint8_t code = character.code;
            if (output_ == Output::Text) {
                if (const auto c = decode_character(code, set)) out.put(*c);
            } else {
                // The data register's value: the control undid its own polarity.
                out.put(static_cast<char>(settings_.Data_logic ? code : code ^ 0xFF));
            }
        }
        control->clear_record();
    }

  private:
    SimulatedPort& port_;
    const VirtualControl* control_ = nullptr;  // the control `set_` was read for
    int set_ = 0;
    const PortSettings& settings_;
    Output output_;
};

// The virtual cable the control reads from, traced on the way when asked.
class TapeCable final : public PortAccess {
  public:
    TapeCable(const PortSettings& device, bool judge_timing, std::ostream* trace)
        : cable(device, judge_timing) {
        if (trace != nullptr) tracer.emplace(cable, *trace);
    }
    PortError port_open(std::int32_t base, int count) override {
        return target().port_open(base, count);
    }
    int port_read(int offset) override { return target().port_read(offset); }
    void port_write(int offset, int value) override { target().port_write(offset, value); }
    [[nodiscard]] PortError fault() const override { return cable.fault(); }

    SimulatedPort cable;
    std::optional<TracingPort> tracer;

  private:
    PortAccess& target() { return tracer ? static_cast<PortAccess&>(*tracer) : cable; }
};

class TapeHost final : public ConsoleHost {
  public:
    TapeHost(std::ostream& errors, std::function<void()> on_yield)
        : ConsoleHost(errors), on_yield_(std::move(on_yield)) {}
    void yield() override { on_yield_(); }

  private:
    std::function<void()> on_yield_;
};

std::string seconds_text(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

// The figures of one cycle of the loaded program, then the stops in the
// cut that are longest.
void print_estimate(const std::string& text, const PortSettings& settings, std::ostream& out,
                    std::ostream& errors) {
    const ProgramEstimate e = estimate_program(text, settings);
    out << "tape: " << seconds_text(e.tape_seconds) << '\n'
        << "machining: " << seconds_text(e.machining_seconds)
        << (e.accelerated ? "\n" : " (without acceleration)\n") << "waits: " << e.waits.blocks
        << " blocks, " << seconds_text(e.waits.seconds) << '\n';
    const std::vector<std::string_view> lines = program_lines(text);
    for (const Wait& w : e.waits.worst)
        out << "line " << w.block + 1 << ": " << seconds_text(w.seconds) << "  "
            << (w.block < lines.size() ? lines[w.block] : std::string_view()) << '\n';
    if (!e.speed_known) errors << "feedrite-tape: the device's speed display is 0: no tape time\n";
    if (settings.rapid_mm_per_min <= 0)
        errors << "feedrite-tape: the device has no rapid traverse rate: rapids take no time\n";
    if (e.unknown_blocks > 0)
        errors << "feedrite-tape: " << e.unknown_blocks
               << " blocks not followed (macros, calls, machine moves, moves from an unknown "
                  "place): their time is left out\n";
    if (e.waits.unknown > 0)
        errors << "feedrite-tape: " << e.waits.unknown
               << " more stops in the cut follow blocks of unknown time: their length is not "
                  "known\n";
    if (e.ends_at_reset && e.blocks_sent < lines.size())
        errors << "feedrite-tape: the cycle goes back to the top after line " << e.blocks_sent
               << " (the reset text): the lines after it are not sent\n";
}

int exit_status(SendOutcome outcome) {
    switch (outcome) {
        case SendOutcome::Sent:
        case SendOutcome::Closed:
            return 0;
        case SendOutcome::NotConfigured:
        case SendOutcome::PortUnavailable:
            return 2;
        case SendOutcome::LoadFailed:
        case SendOutcome::SubFileFailed:
        case SendOutcome::PortFailed:
            break;
    }
    return 1;
}

}  // namespace

std::string tape_usage() {
    return "Usage: feedrite-tape [options] [--trace | --text] path|device|mode\n"
           "  or:  feedrite-tape [--program-dir DIR] --estimate path|device|mode\n"
           "  or:  feedrite-tape --help | --version\n"
           "\n"
           "Sends a part program exactly as feedrite would, with the device's settings,\n"
           "to a virtual control that is always in run, and shows what the control reads:\n"
           "by default the bytes on the data lines, raw, on stdout. A binary file\n"
           "(mode 5) is sent once. Messages go to stderr as 'TITLE: TEXT'.\n"
           "\n"
           "Options:\n"
           "  --program-dir DIR  read the device settings from DIR instead of the usual\n"
           "                     settings folder, and keep the scratchpad file there\n"
           "  --cycles N         stop after N rounds of the program (default 1)\n"
           "  --from-line N      start at line N of the loaded program (1 = the first),\n"
           "                     after the blocks that restore the state the program built\n"
           "                     up before it; what the scan is not sure of goes to stderr\n"
           "                     as 'Resume: WARNING'. Later rounds start from the top\n"
           "  --text             show those bytes read back as characters in the device's\n"
           "                     code (EIA or ISO)\n"
           "  --trace            show every port access and busy-wait delay, one line each\n"
           "  --estimate         send nothing; print the times of one cycle, in seconds:\n"
           "                     'tape: S s' (leader, blocks up to the reset text, and\n"
           "                     the trailer when the cycle reaches the end, at the speed\n"
           "                     display with the delay between blocks), 'machining: S s\n"
           "                     (without acceleration)' (feeds at F, per revolution from\n"
           "                     the spindle speed or a lathe's surface speed, rapids\n"
           "                     along the straight line at the rapid traverse rate,\n"
           "                     dwells), 'waits: N blocks, S s' (the tool stopped in the\n"
           "                     cut while the control reads the next block, comment\n"
           "                     lines included), then the ten longest stops as\n"
           "                     'line N: S s  BLOCK', N the cut after the stop\n"
           "  --timed            run each delay as feedrite does: its loop count, then\n"
           "                     the clock guard up to its set time (by default no delay\n"
           "                     is run, only counted and traced: what the control reads,\n"
           "                     not when, as fast as the disk)\n" +
           std::string(common_option_help) +
           "\n"
           "Options may stand anywhere on the line; after \"--\" every word is text.\n"
           "\n"
           "Exit status:\n"
           "  0  done: N rounds sent, or the binary file\n"
           "  1  the program could not be loaded\n"
           "  2  usage error, the device is not configured, or line N is outside the\n"
           "     program\n";
}

int run_tape(const std::vector<std::string>& args, std::ostream& out, std::ostream& errors) {
    TapeOptions options = parse_tape_options(args);
    if (options.help) {
        out << tape_usage();
        return 0;
    }
    if (options.version) {
        out << "feedrite-tape " << FEEDRITE_VERSION << '\n';
        return 0;
    }
    const StartRequest request = read_command_line(options.text);
    // A binary file has no lines to resume at.
    if (options.error.empty() && request.kind == StartKind::Send && request.Binaryfile &&
        options.from_line > 0)
        options.error = "--from-line needs a text program, not a binary file (mode 5)";
    if (options.error.empty() && request.kind == StartKind::Send && request.Binaryfile &&
        options.estimate)
        options.error = "--estimate needs a text program, not a binary file (mode 5)";
    if (options.error.empty() && options.estimate &&
        (options.from_line > 0 || options.cycles != 1 || options.output != Output::Raw))
        options.error = "--estimate goes with --program-dir only";
    if (!options.error.empty() || request.kind != StartKind::Send) {
        errors << "feedrite-tape: "
               << (options.error.empty() ? "expected path|device|mode, not \"" + options.text + "\""
                                         : options.error)
               << "\n\n"
               << tape_usage();
        return 2;
    }

    PlainTextView view;
    std::optional<LatchedOutput> latched;
    Session* stopping = nullptr;  // the run, once there is one
    TapeHost host(errors, [&] {
        if (latched) latched->flush(out);
        // A signal ends the run as closing the window does: the scratchpad goes.
        if (stopping != nullptr && stop_requested()) stopping->close();
    });
    const bool trace = options.output == Output::Trace;
    // What the control reads, not when, unless --timed. The cable is made
    // over the device's finished settings, once they are read.
    Session run(
        host, view,
        [&](const PortSettings& device) {
            auto cable = std::make_unique<TapeCable>(device, options.guard, trace ? &out : nullptr);
            if (cable->tracer) run.observe_delays(&*cable->tracer);
            latched.emplace(cable->cable, device, options.output);
            return cable;
        },
        options.guard ? SessionTiming::Guarded : SessionTiming::Counted);
    stopping = &run;
    run.start(request.filename, request.IO_device_name, request.Binaryfile);
    ModuleState module;

    int cycles = 0;
    SendDriverHooks hooks;
    // Stops before the control would be waited for again.
    hooks.at_cycle_end = [&] {
        if (++cycles == options.cycles) run.close();
    };
    // --estimate: the program as the driver loads it, then no run.
    if (options.estimate)
        hooks.after_load = [&] {
            print_estimate(view.text(), run.settings(), out, errors);
            return false;
        };
    // --from-line: the preamble as the window's review proposes it, unchanged.
    bool outside = false;
    if (options.from_line > 0) {
        hooks.after_load = [&] {
            const std::string text = view.text();
            const auto plan = plan_resume(text, options.from_line);
            if (!plan) {
                errors << "feedrite-tape: line " << options.from_line
                       << " is outside the program (lines 1 to " << program_lines(text).size()
                       << ")\n";
                return !(outside = true);
            }
            for (const std::string& warning : plan->warnings())
                errors << "Resume: " << warning << '\n';
            // A refused line sends nothing: the restart points are told instead.
            if (!plan->refused.empty()) return !(outside = true);
            if (!plan->approach && !plan->restart_text().empty())
                errors << "Resume: " << plan->restart_text() << '\n';
            run.resume(plan->start, plan->blocks);
            return true;
        };
    }
    hooks.note = [&errors](const std::string& note) {
        errors << "feedrite-tape: " << note << '\n';
    };
    const ProgramPlaces places = resolve_program_places(options.program_dir);
    if (!places.note.empty()) errors << places.note << '\n';
    run.report_machine(places.dir, errors, "feedrite-tape: ");
    const SendOutcome outcome = run.send(module, places, hooks);
    if (latched) latched->flush(out);
    out.flush();
    return outside ? 2 : exit_status(outcome);
}

}  // namespace feedrite
