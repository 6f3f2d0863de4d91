// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/call_expander.h"

#include <utility>

#include "run/call_lines.h"
#include "run/sub_file_path.h"

namespace feedrite {
namespace {

constexpr const char* sub_file_error_title = "Sub file error";
constexpr const char* nesting_message =
    "You are trying to nest sub-files\nmore that 7 layers deep!";

std::string cant_open_message(const std::string& name) {
    return "Can't open sub file \n" + name;
}

}  // namespace

CallExpander::CallExpander(Host& host, WindowState& window, ModuleState& module,
                           std::string base_folder, LoadBudget budget)
    : host_(host),
      window_(window),
      module_(module),
      base_folder_(std::move(base_folder)),
      budget_(budget) {}

void CallExpander::reset() {
    close_sub_files();
    call_name_.fill({});
    call_times_.fill(0);
    passes_ = 0;
    bytes_read_ = 0;
    skipped_ = 0;
    window_.DNC_alarm = 0;
}

bool CallExpander::more_lines(const ProgramFile& main) const {
    return !main.at_end() || (window_.useCALLs && call_level_ > 0);
}

int CallExpander::open_sub_files() const {
    int open = 0;
    for (const ProgramFile& file : call_file_) open += file.is_open() ? 1 : 0;
    return open;
}

std::string CallExpander::read_expanded_line(ProgramFile& main) {
    if (!window_.useCALLs)
        return main.at_end() ? std::string(end_of_main_program_marker) : main.read_line();
    if (!more_lines(main)) return std::string(end_of_main_program_marker);
    Step step = call_level_ == 0 ? next_from_main(main) : next_from_sub_file();
    if (step.closing) {
        close_sub_files();
        main.close();
        return {};
    }
    if (step.failure) return fail(main, *step.failure);
    return apply_quote_rule(std::move(step.line));
}

std::string CallExpander::main_call() const {
    if (call_level_ == 0) return {};
    return main_call_text();
}

std::string CallExpander::main_call_text() const {
    return "CALL " + call_name_[1] + (main_count_.empty() ? "" : "(" + main_count_ + ")");
}

CallExpander::Step CallExpander::next_from_main(ProgramFile& main) {
    std::string line = main.read_line();
    const auto keyword = find_call(line, CallRule::MainProgram);
    if (!keyword) return {std::move(line), {}};
    return call(1, split_call(line, *keyword));
}

CallExpander::Step CallExpander::next_from_sub_file() {
    for (;;) {
        const int depth = call_level_;
        if (call_file_[depth].at_end()) return finish_pass(depth);
        const std::string_view line = call_file_[depth].take_line();
        if (holds_end_of_program(line)) {
            if (!keep_pace()) return {{}, {}, true};
            continue;
        }
        const auto keyword = find_call(line, CallRule::SubFile);
        if (!keyword) return {std::string(line), {}};
        if (depth == max_call_level) return {{}, nesting_message};
        return call(depth + 1, split_call(line, *keyword));
    }
}

CallExpander::Step CallExpander::call(int depth, const CallStatement& statement) {
    module_.CALL_expanded = true;  // stays set even when the call fails
    call_name_[depth] = statement.name;
    if (depth == 1) main_count_ = statement.count;
    const auto passes = statement.count_cut ? std::nullopt : call_passes(statement.count);
    if (!passes)
        return {{},
                "The repeat count of\nCALL " + statement.name + "(" + statement.count +
                    ")\nis no number of passes from 1 to 32767."};
    call_times_[depth] = *passes;
    return open_depth(depth);
}

// Skipped lines yield as written ones do: a file of nothing but M30 lines
// must not hold the window (nor a SIGTERM) until its passes are done.
bool CallExpander::keep_pace() {
    if (++skipped_ % load_lines_per_yield != 0) return true;
    host_.yield();
    return window_.DNC_reset != DNC_closing;
}

std::optional<std::string> CallExpander::over_budget() const {
    const std::string call = "\n" + main_call_text() + "\nCheck the repeat counts.";
    if (passes_ > budget_.passes)
        return "The program opens sub files more than " + std::to_string(budget_.passes) +
               " times with" + call;
    if (bytes_read_ > budget_.sub_file_bytes)
        return "The program reads more than " + megabytes(budget_.sub_file_bytes) +
               " from sub files with" + call;
    return std::nullopt;
}

CallExpander::Step CallExpander::open_depth(int depth) {
    ++passes_;
    if (auto failure = over_budget()) return {{}, std::move(failure)};
    FileError error;
    const std::string path = sub_file_path(call_name_[depth], base_folder_);
    if (!call_file_[depth].open(path, error))
        return {{}, cant_open_message(call_name_[depth]) + "\n" + path + ": " + error.reason};
    // The whole file counts at once: it was read whole, whatever is used of it.
    bytes_read_ += static_cast<std::int64_t>(call_file_[depth].text().size());
    if (auto failure = over_budget()) return {{}, std::move(failure)};
    call_level_ = depth;
    return {beginning_of_sub_file_marker(call_name_[depth]), {}};
}

// A repeated file starts its next pass with another beginning marker; only the
// last pass ends with a marker (depth 1) or an empty line (deeper files).
CallExpander::Step CallExpander::finish_pass(int depth) {
    call_file_[depth].close();
    if (--call_times_[depth] >= 1) return open_depth(depth);
    call_level_ = depth - 1;
    if (depth > 1) return {};
    return {end_of_sub_file_marker(call_name_[1]), {}};
}

std::string CallExpander::fail(ProgramFile& main, const std::string& message) {
    close_sub_files();
    main.close();  // ends the driver's loop whatever it checks next
    host_.beep();
    host_.set_wait_pointer(false);
    host_.message_box(message, sub_file_error_title, MessageIcon::Exclamation, MessageButtons::Ok);
    window_.DNC_alarm = -1;
    failure_ = message;
    return {};
}

void CallExpander::close_sub_files() {
    for (ProgramFile& file : call_file_) file.close();
    call_level_ = 0;
}

}  // namespace feedrite
