// The short lists' sort against the library's stable sort: same order,
// equal keys in arrival order, on ranges from empty to out of order.
#include "core/short_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace lumen {
namespace {

using Item = std::pair<int, int>; // key, arrival

TEST(ShortStableSort, MatchesTheLibrarysStableSort) {
    const auto byKey = [](const Item& a, const Item& b) { return a.first < b.first; };
    unsigned state = 7;
    for (size_t size : {0u, 1u, 2u, 5u, 64u, 300u}) {
        for (int spread : {1, 3, 1000}) {
            std::vector<Item> items;
            for (size_t i = 0; i < size; ++i) {
                state = state * 1103515245u + 12345u;
                items.emplace_back(static_cast<int>((state >> 16) % spread), static_cast<int>(i));
            }
            for (const bool presorted : {false, true}) {
                if (presorted) std::stable_sort(items.begin(), items.end(), byKey);
                std::vector<Item> expected = items;
                std::stable_sort(expected.begin(), expected.end(), byKey);
                std::vector<Item> got = items;
                shortStableSort(got.begin(), got.end(), byKey);
                EXPECT_EQ(got, expected) << size << " items, spread " << spread;
            }
        }
    }
}

} // namespace
} // namespace lumen
