// SPDX-License-Identifier: GPL-3.0-or-later
// feedrite-tape: shows what a control reads when feedrite sends a program.

#include <iostream>

#include "tools/tape_tool.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return feedrite::run_tape({argv + (argc > 0 ? 1 : 0), argv + argc}, std::cout, std::cerr);
}
