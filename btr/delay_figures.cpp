// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/delay_figures.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "btr/delay_guard.h"

namespace feedrite {
namespace {

const char* kind_name(DelayKind kind) {
    constexpr const char* names[] = {"data on",  "sprocket on",    "overlap",
                                     "data off", "between blocks", "rest of data on"};
    return names[static_cast<int>(kind)];
}

std::string ms_figure(std::optional<double> ms) {
    if (!ms) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", *ms);
    return text;
}

}  // namespace

void DelayFigures::record(DelayKind kind, double ms, double set_ms, Clock::time_point end) {
    Kind& k = kinds_[static_cast<std::size_t>(kind)];
    k.run_shortest = k.ms.count() == 0 ? ms : std::min(k.run_shortest, ms);
    k.ms.add(ms);
    k.set_ms = set_ms;
    const bool over = set_ms > 0 && ms > 1.5 * set_ms;
    k.over_in_a_row = over ? k.over_in_a_row + 1 : 0;
    if (k.over_in_a_row < busy_stretch) return;
    busy_at_ = end;
    busy_text_ =
        std::string(kind_name(kind)) + " " + ms_figure(ms) + " ms, set " + ms_figure(set_ms);
}

void DelayFigures::character_started(Clock::time_point at) {
    if (last_character_) character_gaps_.add(ms_between(*last_character_, at));
    last_character_ = at;
}

DelayStats DelayFigures::stats(DelayKind kind) const {
    const Kind& k = kinds_[static_cast<std::size_t>(kind)];
    if (k.ms.count() == 0) return {};
    return {k.ms.median(), k.ms.minimum(), k.set_ms, k.run_shortest};
}

std::optional<double> DelayFigures::characters_per_second() const {
    const std::optional<double> gap = character_gaps_.median();
    if (!gap || *gap <= 0) return std::nullopt;
    return 1000.0 / *gap;
}

std::optional<std::string> DelayFigures::busy_warning(Clock::time_point now) const {
    if (!busy_at_ || ms_between(*busy_at_, now) > busy_shown_ms) return std::nullopt;
    return busy_text_;
}

void DelayFigures::nap_woke(double late_ms) {
    nap_late_ = std::max(nap_late_.value_or(0), late_ms);
    recent_lateness_.add(late_ms);
}

double DelayFigures::nap_margin_ms() const {
    const std::optional<double> late = recent_lateness_.quantile(0.98);
    // A quarter more than seen, and a floor for the clock's own reads.
    return late ? std::max(0.1, *late * 1.25 + 0.05) : spin_stretch_ms;
}

std::string timing_panel_text(const DelayFigures& figures, Clock::time_point now) {
    if (const auto busy = figures.busy_warning(now)) return "PC too busy: " + *busy;
    const auto median = [&figures](DelayKind kind) { return figures.stats(kind).median_ms; };
    const std::optional<double> cps = figures.characters_per_second();
    if (!cps) return "";
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.0f cps", *cps);
    // In a normal sequence the data-on time is overlap + sprocket + rest.
    std::optional<double> data_on = median(DelayKind::data_on);
    const auto rest = median(DelayKind::rest_of_data_on);
    if (!data_on && rest && median(DelayKind::overlap) && median(DelayKind::sprocket_on))
        data_on = *rest + *median(DelayKind::overlap) + *median(DelayKind::sprocket_on);
    return "on " + ms_figure(data_on) + " spr " + ms_figure(median(DelayKind::sprocket_on)) +
           " ovl " + ms_figure(median(DelayKind::overlap)) + " off " +
           ms_figure(median(DelayKind::data_off)) + " ms, " + rate +
           (figures.nap_lateness_ms() ? ", naps +" + ms_figure(figures.nap_lateness_ms()) : "");
}

std::vector<TimingFigure> timing_figures(const DelayFigures& figures) {
    std::vector<TimingFigure> out;
    for (int i = 0; i < delay_kind_count; ++i) {
        const auto kind = static_cast<DelayKind>(i);
        const DelayStats s = figures.stats(kind);
        if (!s.median_ms) continue;
        const std::string name = kind_name(kind);
        out.push_back({name + " median ms", *s.median_ms});
        out.push_back({name + " shortest ms", *s.run_shortest_ms});
        out.push_back({name + " set ms", *s.set_ms});
    }
    if (const auto cps = figures.characters_per_second())
        out.push_back({"characters per second", *cps});
    return out;
}

std::string timing_panel_detail(const DelayFigures& figures) {
    std::string text = "Delays of the last 100 characters, in ms (median / shortest / set):";
    for (int i = 0; i < delay_kind_count; ++i) {
        const auto kind = static_cast<DelayKind>(i);
        const DelayStats s = figures.stats(kind);
        if (!s.median_ms) continue;
        text += "\n" + std::string(kind_name(kind)) + ": " + ms_figure(s.median_ms) + " / " +
                ms_figure(s.shortest_ms) + " / " + ms_figure(s.set_ms);
    }
    if (const auto late = figures.nap_lateness_ms())
        text += "\nLong delays sleep first; this PC woke up to " + ms_figure(late) +
                " ms late, so each now wakes " + ms_figure(figures.nap_margin_ms()) +
                " ms before its end.";
    return text;
}

}  // namespace feedrite
