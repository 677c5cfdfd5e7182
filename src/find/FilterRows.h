#pragma once

#include <span>
#include <vector>

// Which rows of a tree a filter keeps in sight: every row that matches and every ancestor of
// one. Rows at depth 0 (the tops of the tree) always stay, so that something is left to stand on.
namespace FilterRows {

// One row of the tree in preorder: its depth (a child one deeper than its parent).
struct Row
{
    int depth = 0;
    bool matches = false;
};

enum class Place : unsigned char {
    Inside, // inside a hidden branch: hidden with it, nothing to do
    Hidden, // hidden, the top of a hidden branch (its parent stays)
    Shown,  // stays, with none of its children: closed
    Open,   // stays with some of its children: opened
};

std::vector<Place> places(std::span<const Row> rows);

} // namespace FilterRows
