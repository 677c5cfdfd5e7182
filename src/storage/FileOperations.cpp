#include "storage/FileOperations.h"

#include "storage/FileReading.h"
#include "storage/TreeFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace FileOperations {
namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Brambleweb", text);
}

// The file types with the flags they add and the extension a name gets.
struct FileType
{
    const char *text;
    int flags;
    QStringList extensions; // the first is appended when the name ends with none of them
};

const std::vector<FileType> &allTypes()
{
    static const std::vector<FileType> types{
            {"Ordinar format - Обычный формат (*.brw)", 0, {QStringLiteral(".brw")}},
            {"Tree structure - Структура дерева (*.brw)", SAVE_STRUCTURE, {}},
            {"Simple [HTML 4.0] (*.htm *.html)",
             SAVE_HTML,
             {QStringLiteral(".htm"), QStringLiteral(".html")}},
            {"Palm [MIME 1.0] (*.txt)", SAVE_PALM, {QStringLiteral(".txt")}},
            {"Ordinar format - Обычный формат (*)", 0, {}},
            {"Unicode format - Юникод (*.brw)", 0, {QStringLiteral(".brw")}}};
    return types;
}

const FileType *typeNamed(const QString &text)
{
    for (const FileType &type : allTypes())
        if (text == tr(type.text))
            return &type;
    return nullptr;
}

QString themeCaption(const QString &themeName, const char *tail)
{
    return tr("Save theme (Сохранить тему)\n") + themeName + tr(tail);
}

} // namespace

bool isReadableFile(const QString &path)
{
    const int descriptor = FileReading::openRegular(path, O_RDONLY);
    if (descriptor >= 0)
        ::close(descriptor);
    return descriptor >= 0;
}

bool isSaveType(int operation)
{
    return operation == SaveAs || operation == SaveBranch || operation == SaveTable ||
           operation == SaveBranchStripped;
}

QString keyHelpName()
{
    return QStringLiteral("keyhelp.txt");
}

QStringList fileTypes(int operation)
{
    QStringList types;
    auto add = [&types](std::initializer_list<int> indexes) {
        for (int index : indexes)
            types.append(tr(allTypes()[size_t(index)].text));
    };
    if (operation == SaveTable)
        add({2, 4});
    else if (operation == SaveAs)
        add({0, 1, 2, 3, 4, 5});
    else if (isSaveType(operation))
        add({0, 1, 2, 3, 4});
    else if (operation == KeyHelp)
        types.append(QLatin1Char('(') + keyHelpName() + QLatin1Char(')'));
    else
        add({0, 4});
    return types;
}

QString ordinaryType()
{
    return tr(allTypes().front().text);
}

QString ownCaption(int operation, const QString &themeName)
{
    if (operation == SaveAs)
        return tr("Save file as (english name) - Сохранить файл как (ЛАТИНСКОЕ имя)");
    if (isSaveType(operation))
        return themeCaption(themeName, " in file(english names) - в файл(ЛАТИНСКОЕ имя)");
    return tr("Open file(english names) - Открыть файл(ЛАТИНСКИЕ имена)");
}

QString standardCaption(int operation, const QString &themeName)
{
    if (operation == SaveAs)
        return tr("Save file as (Сохранить файл как)");
    if (isSaveType(operation))
        return themeCaption(themeName, " in file (в файл)");
    return tr("Open file(Открыть файл)");
}

int writerFlags(int operation, const QString &type)
{
    int flags = 0;
    if (operation == SaveBranch)
        flags = SAVE_BRANCH;
    else if (operation == SaveBranchStripped)
        flags = SAVE_BRANCH | SAVE_STRIP_HIDDEN;
    else if (operation == SaveTable)
        return 0;
    const FileType *chosen = typeNamed(type);
    return flags | (chosen ? chosen->flags : 0);
}

QString withExtension(const QString &name, const QString &type)
{
    const FileType *chosen = typeNamed(type);
    if (!chosen || chosen->extensions.isEmpty())
        return name;
    for (const QString &extension : chosen->extensions)
        if (name.endsWith(extension, Qt::CaseInsensitive))
            return name;
    return name + chosen->extensions.first();
}

bool isUnicodeType(const QString &type)
{
    return type == tr(allTypes().back().text);
}

bool isFullFormat(int flags)
{
    return !(flags & (SAVE_STRUCTURE | SAVE_HTML | SAVE_PALM));
}

QString saveChangesQuestion(const QString &fileName)
{
    return tr("Current file (Текущий файл)\n") + fileName +
           tr("\nwas changed.Save?(изменен. Сохранить?)");
}

QString insertQuestion(const QString &themeName)
{
    return tr("It insert new file in theme\nНовый файл будет вставлен в тему\n") + themeName;
}

QString replaceQuestion(const QString &fileName)
{
    return tr("Replase existing file?\nЗаменить имеющийся файл?\n") + fileName;
}

QString saveWithErrorText()
{
    return tr("(File save with error.\nAutosave file contain last valid copy of data.\nProgram "
              "will delete autosave file when terminate.\nФайл сохранен с ошибками.\nФайл "
              "автосохранения содержит последнюю верную копию данных.\nФайл автосохранения "
              "будет удален при завершении работы программы.)");
}

QString changedWhileSavedText(const QString &fileName)
{
    return tr("The file was changed outside BRW while it was saved, and was left as it is\nФайл "
              "изменён вне BRW во время сохранения и оставлен как есть\n") +
           fileName;
}

QString errorSavingText()
{
    return tr("Error saving file\nОшибка при сохранении файла");
}

QString replacedCharactersText(qint64 count, const QString &themeName)
{
    return tr("%1 character(s) cannot be written in the code page CP1251 and were saved as the "
              "code 0x1A.\nThe first is in the theme\n%2\n%1 символ(ов) нельзя записать в "
              "кодировке CP1251, они сохранены как код 0x1A.\nПервый из них в теме\n%2")
            .arg(count)
            .arg(themeName);
}

QString keepInUnicodeQuestion()
{
    return tr("\n\nKeep the document in Unicode (UTF-8) from now on, so that every character is "
              "saved?\nСохранять документ в Юникоде (UTF-8), чтобы сохранились все символы?");
}

} // namespace FileOperations
