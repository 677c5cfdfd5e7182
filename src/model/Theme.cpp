#include "model/Theme.h"

bool isAncestorOrSelf(const Theme *ancestor, const Theme *theme)
{
    for (; theme; theme = theme->parent())
        if (theme == ancestor)
            return true;
    return false;
}
