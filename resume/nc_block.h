// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A program line's words (motion/nc_words.h) and their notation, for the
// modal-state scan and the preamble it builds.

#include <string>

#include "motion/nc_words.h"

namespace feedrite {

/// `number` in the program's notation: with a point ("10.", "-2.25") when the
/// program wrote points, else a whole number ("10000").
[[nodiscard]] std::string format_number(const NcNumber& number);

}  // namespace feedrite
