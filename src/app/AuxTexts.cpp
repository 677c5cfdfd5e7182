#include "app/AuxTexts.h"

#include "common/Cp1251.h"

#include <QCoreApplication>

namespace AuxTexts {

QString symbolTable()
{
    Cp1251Codec codec;
    QString table;
    for (int line = 0x20; line < 0x100; line += 16) {
        if (line == 0x90) {
            // Kept as the table has always shown it: 0x97 to 0x99 read "™II".
            table += QStringLiteral("ђ‘’“”•–™IIљ›њќћџ\n");
            continue;
        }
        QByteArray bytes;
        for (int code = line; code < line + 16; ++code)
            bytes += char(code);
        table += codec.decode(bytes) + QLatin1Char('\n');
    }
    return table;
}

QString readmeRu()
{
    return QCoreApplication::translate(
            "SymbolsDialog",
            "\tЭто первая бета-версия первого выпуска программы BRW (версия 0.9 Beta). Если вы "
            "столкнулись с трудностями - ошибки (прежде всего потеря текста или аварийное "
            "завершение), неудобное или непонятное управление, нехватка функций, - сообщите о "
            "них так, как сказано в файле README.md проекта.\n"
            "\tПрограмма написана на C++20 и построена на библиотеке Qt 6 (Qt Widgets; в Debian "
            "12 - версия 6.4). Сборка: scripts/build.sh (или cmake), запуск: brw [файл.brw ...]; "
            "scripts/run.sh собирает и запускает программу одной командой.\n"
            "\tИнтерфейс рассчитан прежде всего на клавиатуру, мышь поддерживается слабо. Полный "
            "список клавиш открывает F1. Есть скрытые команды: Ctrl+K, затем клавиша. Ctrl+K, H "
            "сохраняет текущую ветвь без скрытых частей; Ctrl+K, 6 проверяет аварийное "
            "сохранение (после подтверждения программа аварийно завершается).\n"
            "\tОсновные функции: полный минимальный набор операций с деревом тем; ссылки от "
            "одного элемента к другому через метки и ссылки (Go to mark, Ctrl+M); поиск и замена "
            "текста; напоминатель (тема __reminder); таблица символов; запись и воспроизведение "
            "нажатий клавиш (F6, F7).\n"
            "\tВ ближайших планах: настройки программы и детали интерфейса, которые заявлены, но "
            "ещё не сделаны.\n");
}

QString readmeEn()
{
    return QCoreApplication::translate(
            "SymbolsDialog",
            "!!!!Computer translation from Russian!!!!\n"
            "\tThis is the first beta version of the first release of the program BRW (version "
            "0.9 Beta). If you have met troubles - errors (first of all loss of the text or "
            "crash), inconvenient or unclear management, lack of functions, - report about them "
            "as it is told in the file README.md of the project.\n"
            "\tThe program is written in C++20 and is constructed on the library Qt 6 (Qt "
            "Widgets; in Debian 12 - version 6.4). Assembly: scripts/build.sh (or cmake), start: "
            "brw [file.brw ...]; scripts/run.sh assembles and starts the program by one "
            "command.\n"
            "\tThe interface is calculated first of all on the keyboard, the mouse is supported "
            "poorly. The full list of keys is opened by F1. There are hidden commands: Ctrl+K, "
            "then a key. Ctrl+K, H saves the current branch without hidden parts; Ctrl+K, 6 "
            "checks emergency saving (after confirmation the program is finished "
            "abnormally).\n"
            "\tMain functions: the complete minimal set of operations with the tree of themes; "
            "references from one element to another through marks and links (Go to mark, "
            "Ctrl+M); search and replacement of the text; the reminder (the theme __reminder); "
            "the table of symbols; record and playback of keystrokes (F6, F7).\n"
            "\tIn the nearest plans: adjustments of the program and details of the interface "
            "which are declared, but are not made yet.\n");
}

} // namespace AuxTexts
