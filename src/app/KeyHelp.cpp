#include "app/KeyHelp.h"

#include "app/KeyList.h"
#include "common/Cp1251.h"

QByteArray keyHelpFile()
{
    // The headers carry no date: the themes take the date of the day the file is opened.
    QString text = QStringLiteral(
            "The keys of BRW, one theme per group (Клавиши BRW, по теме на группу).\n"
            "Ctrl+K starts a hidden command: the next key chooses it (Ctrl+K начинает скрытую "
            "команду: следующая клавиша выбирает её).\n");
    QString group;
    for (const KeyListEntry &entry : keyList()) {
        if (entry.group != group) {
            group = entry.group;
            text += QStringLiteral("<!--1-->") + group + QLatin1Char('\n');
        }
        text += entry.keys.leftJustified(18) + QLatin1Char(' ') + entry.description +
                QLatin1Char('\n');
    }
    return Cp1251Codec().encode(text).replace("\n", "\r\n");
}
