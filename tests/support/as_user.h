// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a test's body as an ordinary user, so that what the kernel refuses a
// user (a read-only folder, above all) is tested also where the tests run as
// root, as CI does.

#include <functional>
#include <string>
#include <vector>

namespace feedrite::testing {

/// Runs `body` in a child process, whose failures are the test's: for a body
/// that changes what the process is.
void in_child_process(const std::function<void()>& body);

/// As root: runs `body` in a child process that has given `folders` (and all
/// in them) to the user nobody and then become that user for good; the
/// body's failures are the test's. As anyone else: runs `body` here.
void as_ordinary_user(const std::vector<std::string>& folders, const std::function<void()>& body);

}  // namespace feedrite::testing
