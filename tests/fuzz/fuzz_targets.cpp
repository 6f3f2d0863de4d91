// The libFuzzer targets, one per input the program reads: CMake builds this
// file once per target, with FUZZ_TARGET naming it.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "btr/block/block_rewrite.h"
#include "btr/block/parsit.h"
#include "config/file_io.h"
#include "config/port_settings_reader.h"
#include "config/settings_loader.h"
#include "config/settings_writer.h"
#include "core/command_line.h"
#include "core/console_host.h"
#include "prepare/call_statement.h"
#include "prepare/program_loader.h"

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
    s.Replace_with_text = "RR";
    (void)ProgramLoader(host, state, module, s).load(dir + "/main.nc", dir + "/scratchpad data 5b");
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz({reinterpret_cast<const char*>(data), size});
    return removed_at_exit;
}
