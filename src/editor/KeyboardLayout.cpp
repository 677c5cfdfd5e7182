#include "editor/KeyboardLayout.h"

#include <QKeyEvent>
#include <QString>

namespace {

// The Russian layout's characters, key for key over the Latin layout's characters below them.
const QString &russianKeys()
{
    static const QString keys =
            QStringLiteral("йцукенгшщзхъфывапролджэячсмитьбю.ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮ,");
    return keys;
}

const QString &latinKeys()
{
    static const QString keys =
            QStringLiteral("qwertyuiop[]asdfghjkl;'zxcvbnm,./qwertyuiop[]asdfghjkl;'zxcvbnm,./");
    return keys;
}

const QString &keyCharacters()
{
    static const QString characters = QStringLiteral("abcdefghijklmnopqrstuvwxyz[];',./");
    return characters;
}

constexpr int punctuationCodes[] = {Qt::Key_BracketLeft, Qt::Key_BracketRight, Qt::Key_Semicolon,
                                    Qt::Key_Apostrophe,  Qt::Key_Comma,        Qt::Key_Period,
                                    Qt::Key_Slash};

bool isMapKey(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return true;
    for (int code : punctuationCodes)
        if (key == code)
            return true;
    return false;
}

} // namespace

namespace KeyboardLayout {

int layoutKeyCode(QChar c)
{
    const qsizetype russian = russianKeys().indexOf(c);
    if (russian >= 0)
        c = latinKeys().at(russian);
    else if (!latinKeys().contains(c))
        return 0;
    const qsizetype index = keyCharacters().indexOf(c, 0, Qt::CaseInsensitive);
    if (index < 0)
        return 0;
    if (index < 26)
        return Qt::Key_A + int(index);
    return punctuationCodes[index - 26];
}

int effectiveKeyCode(const QKeyEvent *event)
{
    const int key = event->key();
    if (isMapKey(key))
        return key;
    const QString text = event->text();
    if (!text.isEmpty()) {
        if (const int mapped = layoutKeyCode(text.at(0)))
            return mapped;
    }
    // Character keys carry their character's code; every special key lies above 0xFFFF.
    if (key > 0 && key <= 0xFFFF) {
        if (const int mapped = layoutKeyCode(QChar(key)))
            return mapped;
    }
    return key;
}

} // namespace KeyboardLayout
