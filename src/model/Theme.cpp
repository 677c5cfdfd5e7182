#include "model/Theme.h"

Theme::~Theme()
{
    // Every branch is emptied before it goes, so no destructor below this one has work to do.
    std::vector<std::unique_ptr<Theme>> pending = std::move(m_children);
    while (!pending.empty()) {
        std::unique_ptr<Theme> last = std::move(pending.back());
        pending.pop_back();
        for (std::unique_ptr<Theme> &child : last->m_children)
            pending.push_back(std::move(child));
        last->m_children.clear();
    }
}

Theme *Theme::appendChild()
{
    m_children.push_back(std::make_unique<Theme>());
    Theme *child = m_children.back().get();
    child->m_parent = this;
    return child;
}

bool isAncestorOrSelf(const Theme *ancestor, const Theme *theme)
{
    for (; theme; theme = theme->parent())
        if (theme == ancestor)
            return true;
    return false;
}
