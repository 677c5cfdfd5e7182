#pragma once

#include <QJsonObject>
#include <QList>

#include <optional>
#include <vector>

// Where the user left a document: which themes were open, which one was current, and where the
// description and the tree were scrolled. Themes are named by their place only (the sibling
// indexes from the root down), so nothing of the document's contents is kept.
struct DocumentState
{
    using Chain = QList<int>; // the root itself is the empty chain

    QList<Chain> openThemes; // parents before their children
    Chain current;
    int cursorLine = 0; // the description's cursor: block and column in it
    int cursorColumn = 0;
    int descriptionScroll = 0;
    int treeScroll = 0;

    bool operator==(const DocumentState &other) const = default;

    QJsonObject toJson() const;
    // Nothing for an object that is not a state written by toJson() (a damaged or foreign file).
    static std::optional<DocumentState> fromJson(const QJsonObject &object);
};

// The same rules for any tree: the widget rows of today and a model later. A tree is seen
// through `count(node)` (its children) and `child(node, index)`.
namespace DocumentChains {

// The node at the end of the chain, or null when the tree has no such place any more.
template<typename Node, typename Count, typename Child>
Node find(Node root, const DocumentState::Chain &chain, Count count, Child child)
{
    Node node = root;
    for (const int index : chain) {
        if (!node || index < 0 || index >= count(node))
            return Node();
        node = child(node, index);
    }
    return node;
}

// find() for each chain in turn, null where the tree has no such place. Each chain goes on from
// the longest start it shares with the chain before, so the open themes of a whole tree, listed
// parents before children, cost a step each rather than their depth.
template<typename Node, typename Count, typename Child>
std::vector<Node> findAll(Node root, const QList<DocumentState::Chain> &chains, Count count,
                          Child child)
{
    std::vector<Node> found;
    found.reserve(size_t(chains.size()));
    DocumentState::Chain walked; // the steps taken: path[i] is the node after i of them
    std::vector<Node> path{root};
    for (const DocumentState::Chain &chain : chains) {
        qsizetype same = 0;
        while (same < walked.size() && same < chain.size() && walked[same] == chain[same])
            ++same;
        walked.resize(same);
        path.resize(size_t(same) + 1);
        for (qsizetype step = same; step < chain.size(); ++step) {
            const Node node = path.back();
            const int index = chain[step];
            if (!node || index < 0 || index >= count(node))
                break;
            walked.append(index);
            path.push_back(child(node, index));
        }
        found.push_back(walked.size() == chain.size() ? path.back() : Node());
    }
    return found;
}

// The deepest node the chain still reaches: a current theme that went leaves its parent current.
template<typename Node, typename Count, typename Child>
Node findNearest(Node root, const DocumentState::Chain &chain, Count count, Child child)
{
    Node node = root;
    for (const int index : chain) {
        if (index < 0 || index >= count(node))
            break;
        node = child(node, index);
    }
    return node;
}

// How deep an open theme may lie to be remembered: each chain holds its whole path, so a chain
// of open themes thousands of levels deep would cost memory growing with the square of its depth.
constexpr int deepestRememberedOpenTheme = 1000;

// The chains of the open themes in preorder, looking only inside open themes (what a closed
// theme holds is not on the screen) and no deeper than deepestRememberedOpenTheme. The root
// counts as open and is not listed. A walk with its own stack: an open chain may be deeper than
// the call stack.
template<typename Node, typename Count, typename Child, typename IsOpen>
QList<DocumentState::Chain> openChains(Node root, Count count, Child child, IsOpen isOpen)
{
    QList<DocumentState::Chain> chains;
    DocumentState::Chain chain;
    std::vector<Node> parents{root};
    int next = 0; // the index in parents.back() to look at next
    while (!parents.empty()) {
        const Node node = parents.back();
        if (next >= count(node)) {
            parents.pop_back();
            if (!chain.isEmpty()) {
                next = chain.last() + 1;
                chain.removeLast();
            }
            continue;
        }
        const Node below = child(node, next);
        if (!isOpen(below) || count(below) == 0 || chain.size() >= deepestRememberedOpenTheme) {
            ++next;
            continue;
        }
        chain.append(next);
        chains.append(chain);
        parents.push_back(below);
        next = 0;
    }
    return chains;
}

} // namespace DocumentChains
