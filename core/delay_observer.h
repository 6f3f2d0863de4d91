// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Told of every busy-wait delay (the trace of the headless tool).

namespace feedrite {

class DelayObserver {
  public:
    virtual ~DelayObserver() = default;
    /// Called before the delay runs, with its loop count.
    virtual void on_delay(double count) = 0;
};

}  // namespace feedrite
