// SPDX-License-Identifier: GPL-3.0-or-later
// Every modprobe command a user is told to type, in the program's messages
// and in the documents, run by modprobe itself as a dry run over a module
// tree of its own: it must load (or remove) exactly the modules it names.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "btr/port/port_check.h"
#include "btr/port/port_errno.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

const std::string source_dir = FEEDRITE_TEST_DATA_DIR "/../..";

std::string kmod_tool(const std::string& name) {
    for (const char* dir : {"/usr/sbin/", "/sbin/", "/usr/bin/"})
        if (std::filesystem::exists(dir + name)) return dir + name;
    return {};
}

std::string run(const std::string& command, int& status) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        status = pclose(pipe);
    }
    return out;
}

std::string file_text(const std::string& path) {
    std::ifstream in(path);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    // The man page sources write a minus as "\-".
    for (std::size_t at = 0; (at = text.find("\\-", at)) != std::string::npos;) text.erase(at, 1);
    return text;
}

// The words after "modprobe": options (-x) and module names (a-z, 0-9, _),
// each after one blank, up to the first other character. (No std::regex:
// GCC 12 warns inside it in the sanitizer build.)
std::vector<std::string> modprobe_arguments(const std::string& text) {
    const auto name_char = [](char c) {
        return std::islower(static_cast<unsigned char>(c)) ||
               std::isdigit(static_cast<unsigned char>(c)) || c == '_';
    };
    std::vector<std::string> found;
    for (std::size_t at = 0; (at = text.find("modprobe", at)) != std::string::npos;) {
        at += 8;
        std::string args;
        while (at + 1 < text.size() && text[at] == ' ') {
            const bool option = text[at + 1] == '-';
            std::size_t end = at + (option ? 2 : 1);
            const std::size_t first = end;
            while (end < text.size() && name_char(text[end]) &&
                   !(option && std::isdigit(static_cast<unsigned char>(text[end]))))
                ++end;
            if (end == first) break;
            args += text.substr(at, end - at);
            at = end;
        }
        if (!args.empty()) found.push_back(args);
    }
    return found;
}

std::vector<std::string> shown_texts() {
    std::vector<std::string> texts;
    for (PortErrorCode code : {PortErrorCode::NotFound, PortErrorCode::Busy})
        texts.push_back(port_remedy(code));
    PortFacts facts;
    texts.push_back(findings_text(diagnose_port(facts)));  // no port at all
    facts.device = "/dev/parport0";
    for (int err : {ENOENT, ENXIO}) {
        facts.open_errno = err;
        texts.push_back(findings_text(diagnose_port(facts)));
    }
    for (const char* doc : {"/README.md", "/packaging/README.installed", "/debian/README.Debian",
                            "/packaging/man/port-access.h2m"})
        texts.push_back(file_text(source_dir + doc));
    return texts;
}

TEST(ShownCommands, ModprobeLoadsExactlyTheModulesNamed) {
    const std::string modprobe = kmod_tool("modprobe"), depmod = kmod_tool("depmod");
    ASSERT_FALSE(modprobe.empty() || depmod.empty()) << "install kmod (scripts/setup-debian.sh)";
    testing::TempDir tree;
    const std::string kernel = tree.path() + "/lib/modules/9.9/kernel";
    std::filesystem::create_directories(kernel);
    for (const char* module : {"parport_pc", "ppdev", "lp"})
        tree.write(std::string("lib/modules/9.9/kernel/") + module + ".ko", "");
    int status = -1;
    run(depmod + " -b " + tree.path() + " 9.9", status);
    ASSERT_EQ(status, 0);

    int commands = 0;
    for (const std::string& text : shown_texts()) {
        for (const std::string& args : modprobe_arguments(text)) {
            SCOPED_TRACE("modprobe" + args);
            ++commands;
            const std::string dry_run = modprobe + " -d " + tree.path() + " -S 9.9 --dry-run -v";
            const std::string out = run(dry_run + args, status);
            EXPECT_EQ(status, 0) << out;
            if (args.find(" -r") != std::string::npos) continue;  // nothing loaded here to remove
            std::istringstream words(args);
            std::string word, expected;
            while (words >> word)
                if (word[0] != '-')
                    expected.append("insmod " + kernel + "/").append(word + ".ko \n");
            // A module taken as a parameter of the one before would follow its ".ko ".
            EXPECT_EQ(out, expected);
        }
    }
    EXPECT_GE(commands, 8);
}

}  // namespace
}  // namespace feedrite
