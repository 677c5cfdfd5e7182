#pragma once

#include "model/ThemeDocument.h"

// An observer of a document for as long as it lives: whatever keeps themes of the document
// hears its changes through one, and lets go of a theme whose branch leaves the tree.
class DocumentWatch : public DocumentObserver
{
public:
    explicit DocumentWatch(ThemeDocument &document)
        : m_document(document)
    {
        m_document.addObserver(this);
    }
    ~DocumentWatch() override { m_document.removeObserver(this); }
    DocumentWatch(const DocumentWatch &) = delete;
    DocumentWatch &operator=(const DocumentWatch &) = delete;

    ThemeDocument &document() const { return m_document; }

    // True when the theme lies in the branch of one of the rows first..last of parent: a climb
    // to that list, whatever the number of rows.
    static bool inRows(const Theme *theme, const Theme *parent, int first, int last)
    {
        for (; theme; theme = theme->parent())
            if (theme->parent() == parent)
                return theme->row() >= first && theme->row() <= last;
        return false;
    }

private:
    ThemeDocument &m_document;
};
