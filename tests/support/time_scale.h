// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How much longer a wall-clock bound in a test may be in this build: the
// bounds are the optimised build's, and the sanitizers slow the same work.

namespace feedrite::testing {

inline constexpr int time_scale = FEEDRITE_TIME_SCALE;

}  // namespace feedrite::testing
