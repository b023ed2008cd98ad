// A stable sort for the launcher's short lists: registry version keys,
// sharing cache entries, a property index that arrives mostly in order.
//
// Contract: orders [first, last) by less, keeping equal elements in their
// original order (as std::stable_sort does). Quadratic in the number of
// elements out of place, linear for a sorted range. One small loop per
// element type instead of the library's merge sort with its buffer and
// rotations, which the stubs would carry once for every type sorted.
#pragma once

#include <iterator>
#include <utility>

namespace lumen {

template <class Iterator, class Less>
void shortStableSort(Iterator first, Iterator last, Less less) {
    if (first == last) return;
    for (Iterator next = std::next(first); next != last; ++next) {
        if (!less(*next, *std::prev(next))) continue;
        auto moving = std::move(*next);
        Iterator hole = next;
        do {
            *hole = std::move(*std::prev(hole));
            --hole;
        } while (hole != first && less(moving, *std::prev(hole)));
        *hole = std::move(moving);
    }
}

} // namespace lumen
