// SPDX-License-Identifier: GPL-3.0-or-later
// The libFuzzer targets, one per input the program reads: CMake builds this
// file once per target, with FUZZ_TARGET naming it.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "btr/block/block_rewrite.h"
#include "config/parsit.h"
#include "config/port_settings_reader.h"
#include "config/settings_loader.h"
#include "config/settings_writer.h"
#include "core/console_host.h"
#include "motion/estimate.h"
#include "resume/resume_journal.h"
#include "resume/resume_plan.h"
#include "run/call_statement.h"
#include "run/program_loader.h"
#include "tools/command_line.h"
#if FUZZ_TARGET == 9
#include <QList>

#include "gui/run_history.h"
#endif

namespace {
using namespace feedrite;

std::ostream nowhere(nullptr);
ConsoleHost host(nowhere);

// In memory where there is /dev/shm (every save flushes); removed at exit.
const std::string dir = [] {
    for (std::string path : {"/dev/shm/feedrite-fuzz-XXXXXX", "/tmp/feedrite-fuzz-XXXXXX"})
        if (::mkdtemp(path.data()) != nullptr) return path;
    std::abort();
}();
const int removed_at_exit = std::atexit([] { std::filesystem::remove_all(dir); });

std::vector<std::string> pieces(std::string_view text) {  // cut at NUL
    std::vector<std::string> out(1);
    for (const char c : text) {
        if (c == '\0')
            out.emplace_back();
        else
            out.back().push_back(c);
    }
    return out;
}

void fuzz(std::string_view in) {
    const std::vector<std::string> parts = pieces(in);
#if FUZZ_TARGET == 1  // settings reader: what the dialog saves from a file, it reads back
    const std::string path = dir + "/Editor BTR port settings";
    ConfigModel model(host);
    if (write_file_atomic(path, in).ok() && read_settings_file(path).settings &&
        load_settings(model, path, host) && saveit(model, path, dir, host) &&
        !read_settings_file(path).settings)
        std::abort();
#elif FUZZ_TARGET == 2  // command line: arguments cut at NUL
    (void)caption_for(read_command_line(join_arguments(parse_options(parts).rest)).filename);
#elif FUZZ_TARGET == 3  // control codes: words and codes only ever shorten the text
    if (parsit(in, static_cast<std::int16_t>(in.size() % 4)).size() > in.size()) std::abort();
#elif FUZZ_TARGET == 4  // block preparation: block, format, mask
    PortSettings s;
    s.BTRformat = parts.size() > 1 ? parts[1] : "X3Y3Z3F1";
    s.BTRmask = parts.size() > 2 ? parts[2] : "";
    s.BTRmaskcomments = parts.back().size() % 2 == 1;
    (void)rewrite_block(parts[0], true, false, s);
#elif FUZZ_TARGET == 5  // a CALL statement: keyword, name, count
    for (const CallRule rule : {CallRule::MainProgram, CallRule::SubFile})
        if (const auto at = find_call(in, rule)) (void)call_passes(split_call(in, *at).count);
#elif FUZZ_TARGET == 6  // a whole load: main program, then sub files A, B, ... it may CALL
    for (std::size_t i = 0; i < 8; ++i)  // all eight, so no earlier input lingers
        (void)write_file_atomic(dir + "/" + (i == 0 ? "main.nc" : std::string(1, char('@' + i))),
                                i < parts.size() ? parts[i] : "");
    WindowState state;
    ModuleState module;
    PortSettings s;
    s.Replace_text = "R";
    s.replace_with_sent = "RR";
    // Limits scaled down, so that a timeout here is a hang, not a large load.
    const LoadBudget budget{1000, 8 << 20, 8 << 20};
    (void)ProgramLoader(host, state, module, s, lock_wait_ms, budget)
        .load(dir + "/main.nc", dir + "/scratchpad data 5b");
#elif FUZZ_TARGET == 7  // resuming: the program, then a clearance; the line from the size
    // The motion model reads the same program; its times are never negative.
    PortSettings settings;
    settings.speed_cps = 300, settings.rapid_mm_per_min = 6000;
    const ProgramEstimate estimate = estimate_program(parts[0], settings);
    if (!(estimate.machining_seconds >= 0) || !(estimate.waits.seconds >= 0)) std::abort();
    const auto lines = static_cast<std::int64_t>(std::ranges::count(parts[0], '\n')) + 1;
    for (const std::int64_t line : {lines, 1 + static_cast<std::int64_t>(in.size()) % lines})
        if (auto plan = plan_resume(parts[0], line)) {
            // Every preamble proves itself, with the proposed clearance and a typed one.
            if (!plan->proof.empty()) std::abort();
            if (parts.size() > 1) set_clearance(*plan, parts[1]);
            if (!plan->proof.empty()) std::abort();
        }
#elif FUZZ_TARGET == 8  // the resume journal: a record read back writes the same again
    const auto record = parse_resume_record(in);
    const std::string written = record ? format_resume_record(*record) : "";
    const auto again = parse_resume_record(written);
    if (record && (!again || format_resume_record(*again) != written)) std::abort();
#elif FUZZ_TARGET == 9  // the history: lines read, written back the same, merged and listed
    std::vector<RunRecord> records;
    for (const QByteArray& line : QByteArray::fromStdString(std::string(in)).split('\n')) {
        const auto record = read_record_line(line);
        const auto again = record ? read_record_line(record_line(*record)) : record;
        if (record && (!again || record_line(*again) != record_line(*record))) std::abort();
        if (record) records.push_back(*record);
    }
    (void)history_table(merge_runs(records, [](std::int64_t) { return false; }), 20);
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz({reinterpret_cast<const char*>(data), size});
    return removed_at_exit;
}
