// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/run_record.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <map>

#include "core/window_math.h"

namespace feedrite {
namespace {

constexpr std::array<std::pair<EndReason, const char*>, 7> reason_names{{
    {EndReason::Open, "open"},
    {EndReason::Closed, "closed"},
    {EndReason::Signal, "signal"},
    {EndReason::LoadFailure, "load failure"},
    {EndReason::PortError, "port error"},
    {EndReason::Finished, "finished"},
    {EndReason::Crash, "crash"},
}};

std::string local_time_text(std::int64_t ms) {
    const std::time_t t = static_cast<std::time_t>(ms / 1000);
    std::tm parts{};
    char text[32] = "?";
    if (localtime_r(&t, &parts) != nullptr)
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

// A signal's name fits the column; a port error's text gets a line of its own.
std::string end_text(const RunRecord& run) {
    std::string text = end_reason_name(run.end);
    if (run.end == EndReason::Signal && !run.end_detail.empty())
        text += " (" + run.end_detail + ")";
    return text;
}

std::string detail_line(const RunRecord& run) {
    if (run.end == EndReason::Signal || run.end_detail.empty()) return {};
    std::string line = "    ";
    for (const char c : run.end_detail)
        if (c == '\n')
            line += " / ";
        else
            line += c;
    return line + "\n";
}

}  // namespace

const char* end_reason_name(EndReason reason) {
    for (const auto& [r, name] : reason_names)
        if (r == reason) return name;
    return "open";
}

EndReason end_reason_named(const std::string& name) {
    for (const auto& [reason, n] : reason_names)
        if (name == n) return reason;
    return EndReason::Open;
}

EndReason end_reason_for(RunPhase phase, bool by_signal) {
    if (by_signal) return EndReason::Signal;
    switch (phase) {
        case RunPhase::NotConfigured:
        case RunPhase::PortError:
            return EndReason::PortError;
        case RunPhase::LoadFailed:
            return EndReason::LoadFailure;
        case RunPhase::Finished:
            return EndReason::Finished;
        case RunPhase::Loading:
        case RunPhase::Waiting:
        case RunPhase::Sending:
            break;
    }
    return EndReason::Closed;
}

void take_counts(RunRecord& record, const RunCounters& run) {
    record.cycles = run.cycles_completed;
    record.characters = run.characters_sent;
    record.blocks = run.blocks_sent;
    record.stops = run.control_stops;
}

std::vector<RunRecord> merge_runs(const std::vector<RunRecord>& lines,
                                  const std::function<bool(std::int64_t)>& still_running) {
    std::vector<RunRecord> runs;
    std::map<std::string, std::size_t> index;
    for (const RunRecord& line : lines) {
        const auto [it, fresh] = index.try_emplace(line.id, runs.size());
        if (fresh)
            runs.push_back(line);
        else
            runs[it->second] = line;
    }
    for (RunRecord& run : runs)
        if (run.end == EndReason::Open && !(still_running && still_running(run.pid)))
            run.end = EndReason::Crash;
    std::stable_sort(runs.begin(), runs.end(), [](const RunRecord& a, const RunRecord& b) {
        return a.start_ms < b.start_ms;
    });
    return runs;
}

std::string history_table(const std::vector<RunRecord>& runs, std::size_t count) {
    std::string table;
    char line[512];
    std::snprintf(line, sizeof line, "%-19s  %9s  %-22s %7s %11s %9s %6s  %-8s  %-12s %s\n",
                  "Started", "Duration", "End", "Cycles", "Characters", "Blocks", "Stops", "Port",
                  "Device", "Program");
    table += line;
    const std::size_t first = runs.size() > count ? runs.size() - count : 0;
    for (std::size_t i = first; i < runs.size(); ++i) {
        const RunRecord& run = runs[i];
        // A run that never ended lasted at least until its last line.
        const std::int64_t end = run.end_ms != 0 ? run.end_ms : run.updated_ms;
        const std::string duration =
            duration_text(static_cast<double>(end - run.start_ms) / 1000.0);
        std::snprintf(line, sizeof line, "%-19s  %9s  %-22s %7lld %11lld %9lld %6lld  %-8s  %-12s ",
                      local_time_text(run.start_ms).c_str(), duration.c_str(),
                      end_text(run).c_str(), static_cast<long long>(run.cycles),
                      static_cast<long long>(run.characters), static_cast<long long>(run.blocks),
                      static_cast<long long>(run.stops), run.simulated ? "virtual" : "hardware",
                      run.device.c_str());
        table += line + run.program + "\n" + detail_line(run);
    }
    return table;
}

}  // namespace feedrite
