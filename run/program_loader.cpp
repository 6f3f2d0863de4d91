// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/program_loader.h"

#include <utility>

#include "base/file_lock.h"
#include "base/limits.h"
#include "btr/block/settings_text.h"
#include "run/call_expander.h"
#include "run/program_file.h"
#include "run/scratchpad.h"
#include "run/sub_file_path.h"

namespace feedrite {
namespace {

std::string first_line(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

}  // namespace

std::string view_text_from_scratchpad(std::string content) {
    const auto last = content.find_last_not_of("\r\n");
    content.erase(last == std::string::npos ? 0 : last + 1);
    content += "\r\n";
    return content;
}

ProgramLoader::ProgramLoader(Host& host, WindowState& state, ModuleState& module,
                             const PortSettings& settings, int lock_wait, LoadBudget budget)
    : host_(host),
      state_(state),
      module_(module),
      settings_(settings),
      lock_wait_(lock_wait),
      budget_(budget) {}

LoadResult ProgramLoader::load(const std::string& filename, const std::string& scratchpad_path) {
    LoadResult result;
    FileError error;
    const auto failed = [&](const std::string& file, const std::string& reason) {
        result.failed_file = file;
        result.reason = reason;
        return result;
    };
    ProgramFile main;
    if (!main.open(filename, error)) return failed(filename, error.reason);
    result.line_ends = line_ends_of(main.text());

    const std::string lock_path = scratchpad_path + ".lock";
    const std::string note = this_process() + " is loading " + filename;
    FileLock lock;
    const bool locked = lock.acquire(lock_path, note, lock_wait_, [this] { host_.yield(); });
    if (state_.DNC_reset == DNC_closing) {
        result.status = LoadStatus::Closed;
        return result;
    }
    if (!locked && lock.holder().empty()) return failed(lock_path, lock.error().reason);
    if (!locked)
        return failed(scratchpad_path,
                      "In use: " + first_line(lock.holder()) + "; try again when it has finished");
    Scratchpad scratchpad;
    error = scratchpad.create(scratchpad_path, scratchpad_in_note(lock.previous_note()));
    if (!error.ok()) return failed(scratchpad_path, error.reason);
    // Should this program be killed, the next load knows the file to remove.
    lock.set_note(note + "\n" + scratchpad_note(scratchpad.id()));

    const std::string& what = settings_.Replace_text;
    const auto replaced = [&](std::string line) {
        return what.empty() ? line
                            : replace_first(std::move(line), what, settings_.replace_with_sent);
    };
    CallExpander expander(host_, state_, module_, program_folder(filename), budget_);
    const std::string limit_text = megabytes(budget_.program_bytes);
    expander.reset();
    const bool calls = state_.useCALLs;
    if (!calls && what.empty()) {
        // Nothing to change: the file goes over whole, its own line ends kept.
        scratchpad.write(main.text());
        scratchpad.write("\r\n");
        main.close();
    }
    for (int lines = 1; calls ? expander.more_lines(main) : !main.at_end(); ++lines) {
        std::string line = replaced(calls ? expander.read_expanded_line(main) : main.read_line());
        // Counted before the line goes in, as replaced: the scratchpad never passes the limit.
        const auto grown = scratchpad.size() + static_cast<std::int64_t>(line.size()) + 2;
        if (state_.DNC_alarm == 0 && grown > budget_.program_bytes) {
            if (!calls || expander.call_level() == 0)
                return failed(filename, "The prepared program passes " + limit_text);
            expander.fail(main, "The program passes " + limit_text + " with the sub files of\n" +
                                    expander.main_call() + "\nCheck the repeat counts.");
        }
        if (state_.DNC_alarm != 0) {
            result.status = LoadStatus::SubFileFailed;
            result.reason = expander.failure();
            return result;
        }
        scratchpad.write(line);
        scratchpad.write("\r\n");
        // The window stays responsive while a long program loads, as it does while sending.
        if (lines % load_lines_per_yield == 0) {
            host_.yield();
            if (state_.DNC_reset == DNC_closing) {
                result.status = LoadStatus::Closed;
                return result;
            }
        }
    }
    main.close();
    if (state_.DNC_reset == DNC_closing) {  // the expansion stopped in a yield
        result.status = LoadStatus::Closed;
        return result;
    }

    std::string content;
    if (!scratchpad.read_back(content, error)) return failed(scratchpad_path, error.reason);
    result.text = view_text_from_scratchpad(std::move(content));
    result.status = LoadStatus::Loaded;
    return result;
}

}  // namespace feedrite
