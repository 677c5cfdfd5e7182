#pragma once

#include <QAbstractItemModel>

#include <vector>

// Visits the rows first..last under `parent` of a model and the rows below them in preorder,
// without recursion, with each row's parent and depth (0 for the rows first..last); `visit`
// returns whether to go below the row.
template<typename Visit>
void walkModelRows(const QAbstractItemModel &model, const QModelIndex &parent, int first, int last,
                   Visit visit)
{
    struct Level
    {
        QModelIndex parent;
        int next;
        int last;
    };
    std::vector<Level> levels{{parent, first, last}};
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next > level.last) {
            levels.pop_back();
            continue;
        }
        const QModelIndex above = level.parent;
        const QModelIndex index = model.index(level.next++, 0, above);
        if (visit(index, above, int(levels.size()) - 1))
            if (const int rows = model.rowCount(index); rows > 0)
                levels.push_back({index, 0, rows - 1});
    }
}
