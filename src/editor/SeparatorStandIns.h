#pragma once

#include <QString>

// The editor's text model reads U+2028 and U+2029 as line ends and U+FDD0 and U+FDD1 as frame
// marks: a description holding them would change when edited. Inside the editor each of them
// stands as a character the text does not hold (a noncharacter if one is free), and comes back
// when the text leaves it.
class SeparatorStandIns
{
public:
    static constexpr char16_t kept[] = {u'\u2028', u'\u2029', u'\uFDD0', u'\uFDD1'};

    // Stand-ins for a text about to go in: none of them occurs in it.
    void chooseFor(const QString &text);
    QString toEditor(QString text) const { return replaced(text, kept, m_standIns); }
    QString fromEditor(QString text) const { return replaced(text, m_standIns, kept); }

private:
    static QString replaced(QString &text, const char16_t *from, const char16_t *to);

    char16_t m_standIns[4] = {u'\uFDD2', u'\uFDD3', u'\uFDD4', u'\uFDD5'};
};
