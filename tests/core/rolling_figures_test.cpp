// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/rolling_figures.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace feedrite {
namespace {

TEST(RollingFigures, MedianAndMinimumOfTheLastValues) {
    using Figure = std::optional<double>;  // size, values, median, minimum
    const std::tuple<const char*, std::size_t, std::vector<double>, Figure, Figure> cases[] = {
        {"none yet", 100, {}, std::nullopt, std::nullopt},
        {"odd count: the middle one", 100, {5, 1, 9}, 5, 1},
        {"9 drops out; even count: mean of the middle two", 4, {9, 4, 1, 3, 2}, 2.5, 1},
    };
    for (const auto& [name, size, values, median, minimum] : cases) {
        SCOPED_TRACE(name);
        RollingFigures figures(size);
        for (const double value : values) figures.add(value);
        EXPECT_EQ(figures.median(), median);
        EXPECT_EQ(figures.minimum(), minimum);
        EXPECT_EQ(figures.count(), std::min(size, values.size()));
    }
}

}  // namespace
}  // namespace feedrite
