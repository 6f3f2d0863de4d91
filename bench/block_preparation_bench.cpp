// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of preparing and code-converting the blocks of a long program, to show
// that the rewriting stays far below the time one block takes on the tape
// (at 300 characters per second a character lasts 3.3 ms); and the decimal
// conversion and control-code expansion of 1 MB and 10 MB texts, which must
// take time in proportion to their length.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "btr/block/block_rewrite.h"
#include "btr/block/decimal_conversion.h"
#include "btr/code_table.h"
#include "config/parsit.h"

namespace feedrite {
namespace {

constexpr std::size_t block_count = 1'000'000;

struct Program {
    std::string text;
    std::vector<std::string_view> blocks;
};

// Three-axis moves with a comment each; every fourth block is an arc.
std::string typical_block(std::size_t n, std::mt19937& random) {
    std::uniform_real_distribution<double> axis(-150.0, 150.0);
    std::uniform_int_distribution<int> feed(50, 900), pass(1, 9);
    char buffer[160];
    const long number = static_cast<long>(n % 99999) + 1;
    if (n % 4 == 3) {
        std::snprintf(buffer, sizeof buffer,
                      "N%ld G02 X%.3f Y%.3f I%.3f J%.3f F%d. (FINISH ARC %d)", number, axis(random),
                      axis(random), axis(random) / 10, axis(random) / 10, feed(random),
                      pass(random));
    } else {
        std::snprintf(buffer, sizeof buffer, "N%ld G01 X%.3f Y%.2f Z%.1f F%d. (ROUGH PASS %d)",
                      number, axis(random), axis(random), axis(random) / 10, feed(random),
                      pass(random));
    }
    return buffer;
}

const Program& typical_program() {
    static const Program program = [] {
        Program p;
        std::mt19937 random(20240601);  // fixed, so every run measures the same text
        std::vector<std::size_t> ends;
        for (std::size_t n = 0; n < block_count; ++n) {
            p.text += typical_block(n, random);
            ends.push_back(p.text.size());
        }
        // Views are taken once the text no longer moves.
        std::size_t start = 0;
        for (const std::size_t end : ends) {
            p.blocks.emplace_back(p.text.data() + start, end - start);
            start = end;
        }
        return p;
    }();
    return program;
}

PortSettings bench_settings() {
    // Strings rather than literals: GCC 12 at -O3 warns falsely (-Wrestrict)
    // when a short literal is assigned to a std::string.
    PortSettings s;
    s.BTRcode = ISO_even;
    s.BTRformat = std::string("X3Y3Z3F1I3J3");
    s.BTRmask = std::string(" ");
    s.BTReob = std::string("\r\n");
    return s;
}

void prepare_and_convert(benchmark::State& state) {
    const Program& program = typical_program();
    const PortSettings settings = bench_settings();
    const auto& codes = code_table()[static_cast<std::size_t>(settings.BTRcode)];
    std::vector<std::uint8_t> out;
    std::size_t blocks = 0, characters = 0;
    for (auto _ : state) {
        for (const std::string_view block : program.blocks) {
            const BlockRewrite r = rewrite_block(block, true, false, settings);
            if (r.failure) {
                state.SkipWithError("a typical block was refused");
                return;
            }
            out.clear();
            for (const char c : r.text) out.push_back(codes[static_cast<unsigned char>(c)]);
            benchmark::DoNotOptimize(out.data());
            benchmark::ClobberMemory();
            characters += out.size();
        }
        blocks += program.blocks.size();
    }
    using benchmark::Counter;
    // Inverted rates: seconds per block and per character sent ("u" = µs, "n" = ns).
    state.counters["time/block"] =
        Counter(static_cast<double>(blocks), Counter::kIsRate | Counter::kInvert);
    state.counters["time/char"] =
        Counter(static_cast<double>(characters), Counter::kIsRate | Counter::kInvert);
    state.counters["chars/block"] =
        Counter(static_cast<double>(characters) / static_cast<double>(blocks));
}

BENCHMARK(prepare_and_convert)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// One line of state.range(0) bytes full of decimal points, with the format on:
// the time must grow with the length, not with its square.
void decimal_conversion_of_a_long_line(benchmark::State& state) {
    std::string line;
    while (line.size() < static_cast<std::size_t>(state.range(0))) line += "X1.5 Y-2.25 Z.125 ";
    for (auto _ : state) {
        std::string t = line;
        if (convert_decimals(t, "X3Y3Z3")) state.SkipWithError("refused");
        benchmark::DoNotOptimize(t.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(decimal_conversion_of_a_long_line)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A leader of state.range(0) bytes of "<65>", expanded at every start.
void control_codes_of_a_long_leader(benchmark::State& state) {
    std::string leader;
    while (leader.size() < static_cast<std::size_t>(state.range(0))) leader += "<65>";
    for (auto _ : state) {
        const std::string expanded = parsit(leader, ISO_even);
        if (expanded.size() != leader.size() / 4) state.SkipWithError("not expanded");
        benchmark::DoNotOptimize(expanded.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(control_codes_of_a_long_leader)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace feedrite
