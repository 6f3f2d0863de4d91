#include "prepare/program_loader.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "config/file_io.h"
#include "prepare/call_expander.h"
#include "prepare/program_file.h"
#include "prepare/send_driver.h"
#include "prepare/sub_file_path.h"

namespace feedrite {
namespace {

// The scratchpad written through one large buffer, so a long program costs a
// few big writes; every line ends with CR LF.
class Scratchpad {
public:
    explicit Scratchpad(const std::string& path)
        : path_(path), file_(std::fopen(path.c_str(), "wb"), &std::fclose) {
        if (file_) std::setvbuf(file_.get(), nullptr, _IOFBF, 1 << 20);
    }
    ~Scratchpad() {
        file_.reset();
        std::remove(path_.c_str());  // never left behind, whatever happened
    }
    Scratchpad(const Scratchpad&) = delete;
    Scratchpad& operator=(const Scratchpad&) = delete;

    [[nodiscard]] bool is_open() const { return file_ != nullptr; }
    void write_line(const std::string& line) {
        if (failed_) return;
        if (std::fwrite(line.data(), 1, line.size(), file_.get()) != line.size() ||
            std::fwrite("\r\n", 1, 2, file_.get()) != 2)
            failed_ = true;
    }
    /// Closes the file and reads it back; false on any write or read failure,
    /// with the reason in `error`.
    bool read_back(std::string& content, FileError& error) {
        errno = 0;
        const bool closed = std::fclose(file_.release()) == 0;
        if (failed_ || !closed) {
            error = file_error_from_errno(errno != 0 ? errno : EIO);
            return false;
        }
        if (!read_whole_file(path_, content, error)) return false;
        if (std::remove(path_.c_str()) == 0) return true;
        error = file_error_from_errno(errno);
        return false;
    }

private:
    std::string path_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    bool failed_ = false;
};

}  // namespace

std::string view_text_from_scratchpad(std::string content) {
    const auto last = content.find_last_not_of("\r\n");
    content.erase(last == std::string::npos ? 0 : last + 1);
    content += "\r\n";
    return content;
}

ProgramLoader::ProgramLoader(Host& host, WindowState& state, ModuleState& module,
                             const PortSettings& settings)
    : host_(host), state_(state), module_(module), settings_(settings) {}

LoadResult ProgramLoader::load(const std::string& filename, const std::string& scratchpad_path) {
    LoadResult result;
    FileError error;
    const auto failed = [&](const std::string& file) {
        result.failed_file = file;
        result.reason = error.reason;
        return result;
    };
    ProgramFile main;
    if (!main.open(filename, error)) return failed(filename);
    result.line_ends = line_ends_of(main.text());
    Scratchpad scratchpad(scratchpad_path);
    if (!scratchpad.is_open()) {
        error = file_error_from_errno(errno);
        return failed(scratchpad_path);
    }

    const std::string& what = settings_.Replace_text;
    const auto replaced = [&](std::string line) {
        return what.empty() ? line : replace_first(std::move(line), what, settings_.Replace_with_text);
    };
    if (state_.useCALLs) {
        CallExpander expander(host_, state_, module_, program_folder(filename));
        expander.reset();
        while (expander.more_lines(main)) {
            std::string line = expander.read_expanded_line(main);
            if (state_.DNC_alarm != 0) {
                result.status = LoadStatus::SubFileFailed;
                result.reason = expander.failure();
                return result;
            }
            scratchpad.write_line(replaced(std::move(line)));
        }
    } else if (what.empty()) {
        // Nothing to change: the file goes over whole, its own line ends kept.
        main.close();
        std::string content;
        if (!read_whole_file(filename, content, error)) return failed(filename);
        scratchpad.write_line(content);
    } else {
        while (!main.at_end()) scratchpad.write_line(replaced(main.read_line()));
    }
    main.close();

    std::string content;
    if (!scratchpad.read_back(content, error)) return failed(scratchpad_path);
    result.text = view_text_from_scratchpad(std::move(content));
    result.status = LoadStatus::Loaded;
    return result;
}

}  // namespace feedrite
