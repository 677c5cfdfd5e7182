#include "find/FilterRows.h"

namespace FilterRows {

std::vector<Place> places(std::span<const Row> rows)
{
    std::vector<Place> result(rows.size(), Place::Inside);
    std::vector<int> parents(rows.size(), -1);
    // The rows on the way down to the current one, the nearest last.
    std::vector<int> path;
    for (size_t i = 0; i < rows.size(); ++i) {
        while (!path.empty() && rows[size_t(path.back())].depth >= rows[i].depth)
            path.pop_back();
        parents[i] = path.empty() ? -1 : path.back();
        path.push_back(int(i));
        if (!rows[i].matches && rows[i].depth > 0)
            continue;
        // The row and its ancestors stay; the climb ends at one already kept, so each row is
        // climbed over once. In preorder none of the row's own subthemes has opened it yet.
        result[i] = Place::Shown;
        for (int parent = parents[i]; parent >= 0; parent = parents[size_t(parent)]) {
            const bool kept = result[size_t(parent)] != Place::Inside;
            result[size_t(parent)] = Place::Open;
            if (kept)
                break;
        }
    }
    // A row that goes, under one that stays, is the top of a hidden branch.
    for (size_t i = 0; i < rows.size(); ++i)
        if (result[i] == Place::Inside && parents[i] >= 0 &&
            result[size_t(parents[i])] != Place::Inside &&
            result[size_t(parents[i])] != Place::Hidden)
            result[i] = Place::Hidden;
    return result;
}

} // namespace FilterRows
