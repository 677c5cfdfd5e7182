// The main window's menu entries and tool buttons, one row each.
//
// To add a command: put its row into actions() where it stands in its menu (a row with a null
// text is a separator; "A/B" is the sub-menu B of menu A), give the target a public slot with
// exactly the signature named in the row (tst_mainactions checks that every row is built and
// connected, and that no two enabled actions share a key). A tool button is a row of toolButtons()
// with an icon from resources/icons (in icons.qrc). Keys outside the menus live in the key tables
// of the widgets (WindowKeys.cpp, CorrectedTextEdit.cpp, NameEditor.cpp); tst_mainactions checks
// the README's key list against all of them and prints the list it expects.
#include "app/MainActions.h"

namespace MainActions {

namespace {

using enum Target;
using Qt::ALT;
using Qt::CTRL;
using Qt::SHIFT;

constexpr Action separator(const char *menu)
{
    return {menu, nullptr, nullptr, NoKey, nullptr, Window, nullptr, 0};
}

const Action actionTable[] = {
        // clang-format off
    {"&File/&File(OS API)", "&Open...", "Открыть ...", ALT | Qt::Key_O, "open", Files, "menuOpenFileGUI()", 0},
    {"&File/&File(OS API)", "&Reopen...", "Открыть в текущем окне...", ALT | Qt::Key_R, "reopen", Files, "menuReopenFileGUI()", 0},
    {"&File/&File(OS API)", "&Insert In...", "Вставить файл внутрь текущей темы...", ALT | Qt::Key_I, "insertin", Files, "menuAppendFileGUI()", 0},
    separator("&File/&File(OS API)"),
    {"&File/&File(OS API)", "S&ave as...", "Сохранить как...", ALT | Qt::Key_S, "saveas", Files, "menuSaveAsFileGUI()", 0},
    {"&File/&File(OS API)", "Save &branch...", "Сохранить ветвь...", ALT | Qt::Key_B, "savebrunch", Files, "menuSaveBranchGUI()", 0},
    {"&File/&File(OS API)", "Save &table...", "Сохранить ветвь как таблицу...", NoKey, "savetable", Files, "menuSaveTableGUI()", 0},
    {"&File", "&New", "Новый файл", CTRL | Qt::Key_N, "new", Files, "menuNewFile()", 0},
    {"&File", "&Open...", "Открыть ...", CTRL | Qt::Key_O, "open", Files, "menuOpenFile()", 0},
    {"&File", "&Reopen", "Открыть в текущем окне...", CTRL | Qt::Key_R, "reopen", Files, "menuReopenFile()", 0},
    {"&File", "&Insert In", "Вставить файл внутрь текущей темы...", CTRL | Qt::Key_I, "insertin", Files, "menuAppendFile()", 0},
    {"&File", "Reopen &last session", "Открыть документы, открытые при последнем выходе", CTRL | SHIFT | Qt::Key_R, "reopensession", Memory, "menuReopenSession()", 0},
    separator("&File"),
    {"&File", "&Save", "Сохранить", CTRL | Qt::Key_S, "save", Files, "menuSaveFile()", 0},
    {"&File", "S&ave as", "Сохранить как...", CTRL | ALT | Qt::Key_S, "saveas", Files, "menuSaveAsFile()", 0},
    {"&File", "Save &branch", "Сохранить ветвь...", CTRL | Qt::Key_B, "savebrunch", Files, "menuSaveBranch()", 0},
    {"&File", "Save &table", "Сохранить ветвь как таблицу...", CTRL | ALT | Qt::Key_T, "savetable", Files, "menuSaveTable()", 0},
    separator("&File"),
    {"&File", "E&xport...", "Экспорт ветви для других программ (OPML, Markdown, текст)...", NoKey, "exportoutline", Outlines, "menuExportOutline()", 0},
    {"&File", "Export to PD&F...", "Экспорт ветви в PDF...", NoKey, "exportpdf", Outlines, "menuExportPdf()", 0},
    {"&File", "&Print...", "Печать ветви...", CTRL | SHIFT | Qt::Key_P, "print", Outlines, "menuPrint()", 0},
    {"&File", "I&mport...", "Импорт в новый документ (OPML, Markdown, текст)...", NoKey, "importoutline", Outlines, "menuImportOutline()", 0},
    {"&File", "Import &under theme...", "Импорт внутрь текущей темы (OPML, Markdown, текст)...", NoKey, "importinto", Outlines, "menuImportOutlineInto()", 0},
    separator("&File"),
    {"&File", "&Exit", "Выход", ALT | Qt::Key_F4, "exit", Window, "close()", 0},

    {"&View", "&Location", "Изменение положения окон", QKeyCombination(Qt::Key_F5), "location", Location, "menuLocation()", 0},
    {"&View", "&Next", "Следующая тема", CTRL | ALT | Qt::Key_Right, "next", Tree, "nextThemeInTime()", 0},
    {"&View", "&Prev", "Предыдущая тема", CTRL | ALT | Qt::Key_Left, "prev", Tree, "prevThemeInTime()", 0},

    {"&Edit", "&Find", "Найти", CTRL | Qt::Key_F, "find", Search, "menuFind()", 0},
    {"&Edit", "Find &next", "Найти следующее", QKeyCombination(Qt::Key_F3), "findnext", Search, "menuFindNext()", 0},
    {"&Edit", "Next &theme", "Искать начиная со следующей темы", CTRL | Qt::Key_F3, "nexttheme", Search, "menuNextTheme()", 0},
    {"&Edit", "&Replace", "Заменить", CTRL | Qt::Key_H, "replace", Search, "menuReplace()", 0},
    {"&Edit", "Replace next", "Заменить и найти следующее", QKeyCombination(Qt::Key_F4), "replacenext", Search, "menuReplaceNext()", 0},
    {"&Edit", "Replace &all", "Заменить все", CTRL | Qt::Key_F4, "replaceall", Search, "menuReplaceAll()", 0},
    {"&Edit", "Find a&ll", "Найти все", CTRL | SHIFT | Qt::Key_F, "findall", Search, "menuFindAll()", 0},

    {"&Tree", "&Undo", "Отменить изменение дерева", CTRL | Qt::Key_Z, "undo", Tree, "menuUndo()", TreeEditing},
    {"&Tree", "&Redo", "Повторить изменение дерева", CTRL | SHIFT | Qt::Key_Z, "redo", Tree, "menuRedo()", TreeEditing},
    separator("&Tree"),
    {"&Tree", "&Delete", "Удалить тему", QKeyCombination(Qt::Key_Delete), "delete", Tree, "menuDelete()", TreeEditing},
    {"&Tree", "&Edit Name", "Редактировать имя темы", QKeyCombination(Qt::Key_F2), "editname", Tree, "menuEditThemeName()", TreeEditing},
    {"&Tree", "&All child up", "Перенести все подтемы наружу", CTRL | ALT | Qt::Key_U, "allchildout", Tree, "menuAllChildOut()", 0},
    {"&Tree", "&Generate tree", "Создать ветвь из описания темы", CTRL | ALT | Qt::Key_G, "generatetree", Window, "menuGenerateTree()", 0},
    {"&Tree", "&Newest", "Самая новая тема", CTRL | ALT | Qt::Key_N, "newest", Window, "menuNewest()", 0},
    {"&Tree", "Go to &mark", "Перейти к метке", CTRL | Qt::Key_M, "gotomark", Window, "menuGoToMark()", 0},
    {"&Tree", "&Go to theme...", "Перейти к теме по имени", CTRL | Qt::Key_G, "gototheme", Search, "menuGoToTheme()", 0},
    {"&Tree", "&Filter tree to matches", "Показать только темы, где найден текст поиска", QKeyCombination(Qt::Key_F8), "filtertree", Search, "menuFilterTree()", 0},
    separator("&Tree"),
    {"&Tree", "Cu&t", "Вырезать тему", SHIFT | Qt::Key_Delete, "cut", Tree, "menuCut()", TreeEditing},
    {"&Tree", "&Copy", "Скопировать тему", CTRL | Qt::Key_Insert, "copy", Tree, "menuCopy()", TreeEditing},
    {"&Tree", "&Paste", "Вставить тему", SHIFT | Qt::Key_Insert, "paste", Tree, "menuPaste()", TreeEditing},
    separator("&Tree"),
    {"&Tree", "Move Left", "Переместить тему на 1 уровень влево", CTRL | Qt::Key_Left, "moveleft", Tree, "menuMove_Left()", TreeEditing},
    {"&Tree", "Move Right", "Переместить тему на 1 уровень вправо", CTRL | Qt::Key_Right, "moveright", Tree, "menuMove_Right()", TreeEditing},
    {"&Tree", "Move Up", "Переместить тему вверх", CTRL | Qt::Key_Up, "moveup", Tree, "menuMove_Up()", TreeEditing},
    {"&Tree", "Move Dn", "Переместить тему вниз", CTRL | Qt::Key_Down, "movedown", Tree, "menuMove_Down()", TreeEditing},
    separator("&Tree"),
    {"&Tree", "Scroll Left", "Скроллинг влево", ALT | Qt::Key_Left, "scrollleft", Tree, "menuScroll_Left()", TreeEditing},
    {"&Tree", "Scroll Right", "Скроллинг вправо", ALT | Qt::Key_Right, "scrollright", Tree, "menuScroll_Right()", TreeEditing},
    {"&Tree", "Scroll Up", "Скроллинг вверх", ALT | Qt::Key_Up, "scrollup", Tree, "menuScroll_Up()", TreeEditing},
    {"&Tree", "Scroll Dn", "Скроллинг вниз", ALT | Qt::Key_Down, "scrolldown", Tree, "menuScroll_Down()", TreeEditing},
    separator("&Tree"),
    {"&Tree", "Insert Into", "Вставить новую тему вовнутрь текущей", SHIFT | Qt::Key_Right, "insertinto", Tree, "menuTreeInsert_Into()", TreeEditing},
    {"&Tree", "Insert Up", "Вставить новую тему выше текущей", SHIFT | Qt::Key_Up, "insertup", Tree, "menuTreeInsert_Up()", TreeEditing},
    {"&Tree", "Insert Dn", "Вставить новую тему ниже текущей", SHIFT | Qt::Key_Down, "insertdown", Tree, "menuTreeInsert_Dn()", TreeEditing},

    {"T&ools/&Reminder", "&Show", "Перейти к заданиям напоминателя", CTRL | ALT | Qt::Key_R, "show", Window, "menuGoToReminder()", 0},
    {"T&ools/&Reminder", "&Update", "Обновить задания", NoKey, "update", Window, "menuUpdateReminder()", 0},
    {"T&ools/&Reminder", "&Sound Off", "Отключить звук", NoKey, "SoundOff", Window, "menuReminderSoundOperation(bool)", Toggle},
    {"T&ools", "&Apply", "Применить описание", ALT | Qt::Key_Enter, "apply", Window, "menuApply()", 0},
    separator("T&ools"),
    {"T&ools", "Record &keys", "Записать нажатия клавиш", QKeyCombination(Qt::Key_F6), "recordkeys", Aux, "startRecordEvents()", 0},
    {"T&ools", "&Play keys", "Воспроизвести нажатия клавиш", QKeyCombination(Qt::Key_F7), "playkeys", Aux, "startPlayEvents()", 0},

    {"&Windows", "&Removal", "Выноска", QKeyCombination(Qt::Key_F9), "removal", Detached, "menuRemoval()", 0},
    {"&Windows", "&Symbols", "Таблица символов", NoKey, "symbols", Aux, "menuSymbols()", 0},
    separator("&Windows"),
    {"&Windows/&Main Widgets", "&Tab", "Переключение между деревом и описанием", CTRL | Qt::Key_Enter, "tab", Window, "menuMainWidgetsTab()", 0},

    {"&Help", "Readme.&ru", "Прочти меня", NoKey, "Readme_ru", Aux, "menuReadme_ru()", 0},
    {"&Help", "Readme.&en", "Readme", NoKey, "Readme_en", Aux, "menuReadme_en()", 0},
    {"&Help", "&Keys", "Помощь по клавишам", QKeyCombination(Qt::Key_F1), "keys", Files, "menuKeyHelp()", 0},
    {"&Help", "&About", "О программе", NoKey, "about", Aux, "menuAbout()", 0},
        // clang-format on
};

const ToolBar toolBarTable[] = {
        {"File", "File (Файл)"},
        {"View", "View (Вид)"},
        {"Edit", "Edit (Правка)"},
        {"Reminder", "Reminder (Напоминатель)"},
        {"Recorder", "Recorder (Запись клавиш)"},
};

const ToolButton toolButtonTable[] = {
        // clang-format off
    {"File", "new", "New", "Новый файл", CTRL | Qt::Key_N, ":/icons/new.png", Files, "menuNewFile()"},
    {"File", "open", "Open", "Открыть ...", CTRL | Qt::Key_O, ":/icons/open.png", Files, "menuOpenFile()"},
    {"File", "reopen", "Reopen", "Открыть в текущем окне...", CTRL | Qt::Key_R, ":/icons/reopen.png", Files, "menuReopenFile()"},
    {"File", "save", "Save", "Сохранить", CTRL | Qt::Key_S, ":/icons/save.png", Files, "menuSaveFile()"},
    {"File", "saveas", "Save as", "Сохранить как...", CTRL | ALT | Qt::Key_S, ":/icons/saveas.png", Files, "menuSaveAsFile()"},
    {"View", "prev", "Previous", "Предыдущая тема", CTRL | ALT | Qt::Key_Left, ":/icons/prev.png", Tree, "prevThemeInTime()"},
    {"View", "next", "Next", "Следующая тема", CTRL | ALT | Qt::Key_Right, ":/icons/next.png", Tree, "nextThemeInTime()"},
    {"Edit", "find", "Find", "Найти", CTRL | Qt::Key_F, ":/icons/find.png", Search, "menuFind()"},
    {"Edit", "replace", "Replace", "Заменить", CTRL | Qt::Key_H, ":/icons/replace.png", Search, "menuReplace()"},
    {"Edit", "undo", "Undo", "Отменить изменение дерева", CTRL | Qt::Key_Z, ":/icons/undo.png", Tree, "menuUndo()"},
    {"Edit", "redo", "Redo", "Повторить изменение дерева", CTRL | SHIFT | Qt::Key_Z, ":/icons/redo.png", Tree, "menuRedo()"},
    {"Edit", "symbols", "Symbols", "Таблица символов", NoKey, ":/icons/symbols.png", Aux, "menuSymbols()"},
    {"Reminder", "gotoReminder", "Go to shedule", "Перейти к тексту заданий", CTRL | ALT | Qt::Key_R, ":/icons/gotoReminder.png", Window, "menuGoToReminder()"},
    {"Reminder", "refreshReminder", "Refresh shedule", "Обновить задания", NoKey, ":/icons/refreshReminder.png", Window, "menuUpdateReminder()"},
    // Their icons change while the recorder runs (AuxiliaryCommands::recorderStateChanged).
    {"Recorder", "recordkeys", "Record keys", "Записать нажатия клавиш", QKeyCombination(Qt::Key_F6), ":/icons/recordkeys.png", Aux, "startRecordEvents()"},
    {"Recorder", "playkeys", "Play keys", "Воспроизвести нажатия клавиш", QKeyCombination(Qt::Key_F7), ":/icons/playkeys.png", Aux, "startPlayEvents()"},
        // clang-format on
};

} // namespace

std::span<const Action> actions()
{
    return actionTable;
}

std::span<const ToolBar> toolBars()
{
    return toolBarTable;
}

std::span<const ToolButton> toolButtons()
{
    return toolButtonTable;
}

QList<QKeyCombination> recorderKeys()
{
    QList<QKeyCombination> keys;
    for (const Action &row : actionTable)
        if (row.slot && (qstrcmp(row.slot, "startRecordEvents()") == 0 ||
                         qstrcmp(row.slot, "startPlayEvents()") == 0))
            keys.append(row.shortcut);
    return keys;
}

} // namespace MainActions
