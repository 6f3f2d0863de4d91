// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// feedrite-tape's reporting, where the settings folder sets it up: the run's
// snapshot at most ten times a second, from the engine's yields.

#include <iosfwd>
#include <string>
#include <string_view>

#include "core/text_view.h"
#include "run/machine_feed.h"
#include "run/transmission.h"

namespace feedrite {

class TapeReport {
  public:
    /// Tells `errors` what was started and what could not be.
    TapeReport(const std::string& settings_dir, const std::string& device, std::ostream& errors);

    void program_loaded(std::string_view text) { feed_.program_loaded(text); }
    /// `now`: a snapshot whatever the time (the run's last).
    void tick(const Transmission& run, const TextView& view, bool now = false);

  private:
    MachineFeed feed_;
    double next_ = 0;
};

}  // namespace feedrite
