#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <vector>

struct OutlineNode;

// The subthemes of an outline node. Letting go of a node lets go of its children first, a call
// deeper each level, so a tree thousands of levels deep would use up the stack: these lists
// take the deeper lists out first and free them one by one.
class OutlineChildren : public std::vector<OutlineNode>
{
public:
    using std::vector<OutlineNode>::vector;
    OutlineChildren() = default;
    OutlineChildren(const OutlineChildren &) = default;
    OutlineChildren(OutlineChildren &&) noexcept = default;
    OutlineChildren &operator=(const OutlineChildren &) = default;
    OutlineChildren &operator=(OutlineChildren &&) noexcept = default;
    ~OutlineChildren();
};

// A document or a branch as plain data, the common ground of the exchange formats: every format
// reads into it and writes from it, and one adapter moves it in and out of the tree.
struct OutlineNode
{
    QString name;
    QString description;
    QDate date;     // invalid: not known (the theme gets today's date)
    int linkId = 0; // as in a tree file: N > 0 the mark theme of group N, -N a link to it
    OutlineChildren children;
};

inline OutlineChildren::~OutlineChildren()
{
    const auto hasGrandchildren = [](const OutlineChildren &list) {
        for (const OutlineNode &node : list)
            if (!node.children.empty())
                return true;
        return false;
    };
    if (!hasGrandchildren(*this))
        return; // freeing childless nodes goes one level deep only
    std::vector<OutlineChildren> lists;
    lists.push_back(std::move(*this));
    while (!lists.empty()) {
        OutlineChildren list = std::move(lists.back());
        lists.pop_back();
        for (OutlineNode &node : list)
            if (!node.children.empty())
                lists.push_back(std::move(node.children));
    }
}

// The tree file form of an outline, and back. The root's name is not stored in a tree file.
namespace OutlineTreeFile {

// Reads a tree file's bytes (CP1251, or UTF-8 after the byte order mark) as the tree reader
// does: depths, "[|]" dates and the dropped final line end of each description.
OutlineNode read(const QByteArray &bytes);
// CR LF line ends, explicit dates (an unknown one is today's); Unicode form when some
// character lies outside CP1251, else CP1251.
QByteArray write(const OutlineNode &root);

} // namespace OutlineTreeFile

// Visits every node below the root in preorder without recursion, so that the depth of a tree
// read from a file cannot exhaust the stack: enter(node, depth) before its children, leave(node,
// depth) after them; depth 1 for the root's children.
template<typename Enter, typename Leave>
void walkOutline(const OutlineNode &root, Enter enter, Leave leave)
{
    std::vector<std::pair<const OutlineNode *, size_t>> path{{&root, 0}};
    while (!path.empty()) {
        auto &[node, next] = path.back();
        if (next == node->children.size()) {
            const OutlineNode *done = node;
            path.pop_back();
            if (!path.empty())
                leave(*done, int(path.size()));
            continue;
        }
        const OutlineNode &child = node->children[next++];
        enter(child, int(path.size()));
        path.push_back({&child, 0});
    }
}

// The text of an exchange file: UTF-8 (a byte order mark is dropped), or CP1251 when the bytes
// are not UTF-8, as text files from older programs often are.
QString decodeExchangeText(const QByteArray &bytes);
