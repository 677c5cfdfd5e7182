#pragma once

#include <QObject>
#include <QString>

class Brambleweb;

// Where the user left off, for a document window: the window's size, bars and splitter, and for
// its document the open themes, the current theme, the cursor and the scroll. It also keeps the
// window's document in the session the program reopens.
class WindowMemory : public QObject
{
    Q_OBJECT
public:
    explicit WindowMemory(Brambleweb &window);

    // Only document windows keep a state.
    bool keepsState() const;
    void restoreWindowState();
    void rememberWindowState();
    void restoreDocumentState();
    void rememberDocumentState();
    // The document was read or saved: it is in the session, and its state is kept.
    void rememberDocument();
    void rememberOnClose();

public Q_SLOTS:
    // Opens the documents that were open when the program last ended.
    void menuReopenSession();

private:
    Brambleweb &m_window;
    QString m_sessionKey; // the document this window holds in the session
};
