// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/rolling_figures.h"

#include <algorithm>
#include <vector>

namespace feedrite {

void RollingFigures::add(double value) {
    values_.push_back(value);
    if (values_.size() > size_) values_.pop_front();
}

std::optional<double> RollingFigures::median() const {
    if (values_.empty()) return std::nullopt;
    std::vector<double> sorted(values_.begin(), values_.end());
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    if (sorted.size() % 2 != 0) return sorted[middle];
    return (sorted[middle - 1] + sorted[middle]) / 2;
}

std::optional<double> RollingFigures::quantile(double q) const {
    if (values_.empty()) return std::nullopt;
    std::vector<double> sorted(values_.begin(), values_.end());
    const auto at = static_cast<std::ptrdiff_t>(q * static_cast<double>(sorted.size() - 1));
    std::nth_element(sorted.begin(), sorted.begin() + at, sorted.end());
    return sorted[static_cast<std::size_t>(at)];
}

std::optional<double> RollingFigures::minimum() const {
    if (values_.empty()) return std::nullopt;
    return *std::min_element(values_.begin(), values_.end());
}

}  // namespace feedrite
