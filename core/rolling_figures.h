// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Median and minimum of the last values of a measurement: what the timing
// panel and the virtual control window show of the latest characters.
//
// The median is the middle value, and for an even count the mean of the two
// middle ones, so that a window of 100 equal halves does not lean to the
// longer times.

#include <cstddef>
#include <deque>
#include <optional>

namespace feedrite {

class RollingFigures {
  public:
    explicit RollingFigures(std::size_t size = 100) : size_(size) {}
    /// Adds a value; the oldest drops out once `size` are kept.
    void add(double value);
    void clear() { values_.clear(); }
    [[nodiscard]] std::optional<double> median() const;
    [[nodiscard]] std::optional<double> minimum() const;
    /// The value below which the share `q` (0 to 1) of the kept values lie.
    [[nodiscard]] std::optional<double> quantile(double q) const;
    [[nodiscard]] std::size_t count() const { return values_.size(); }

  private:
    std::size_t size_;
    std::deque<double> values_;
};

}  // namespace feedrite
