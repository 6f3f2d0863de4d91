// The sample programs of tests/data/e2e through feedrite-tape, against
// outputs worked out by hand from the rules, not produced by the tool.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "config/file_io.h"
#include "tests/support/temp_dir.h"
#include "tools/tape_tool.h"

namespace feedrite {
namespace {

std::string read_file(const std::string& path) {
    std::string bytes;
    FileError error;
    EXPECT_TRUE(read_whole_file(path, bytes, error)) << path;
    return bytes;
}

TEST(SamplePrograms, ControlReadsTheHandCheckedOutput) {
    struct Case {
        const char* folder;
        const char* program;
        const char* mode;
        const char* output;  // "--text" or "" for the raw bytes
    };
    const Case cases[] = {
        {"mill-iso", "face.nc", "1", "--text"},   // format, mask, comment put back, CR LF
        {"lathe-eia", "turn.nc", "1", "--text"},  // EIA, LF line ends, comments masked
        {"calls", "main.nc", "1", "--text"},      // nested CALLs with repeats, CR-only line ends
        {"latin1", "rough.nc", "1", "--text"},    // 8-bit characters have no ISO code
        {"binary", "part.bin", "5", ""},          // sent byte for byte, once
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        testing::TempDir dir;
        const std::string source = std::string(FEEDRITE_TEST_DATA_DIR "/e2e/") + c.folder;
        std::filesystem::copy(source, dir.path(), std::filesystem::copy_options::recursive);
        std::vector<std::string> args{"--program-dir", dir.path()};
        if (*c.output != '\0') args.emplace_back(c.output);
        args.push_back(dir.file(c.program) + "|(default)|" + c.mode);
        std::ostringstream out, errors;
        EXPECT_EQ(run_tape(args, out, errors), 0);
        EXPECT_EQ(out.str(), read_file(dir.file("expected.txt")));
        EXPECT_EQ(errors.str(), "");
        EXPECT_FALSE(file_exists(dir.file("scratchpad data 5b")));
    }
}

}  // namespace
}  // namespace feedrite
