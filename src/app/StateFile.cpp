#include "app/StateFile.h"

#include "app/RecentDocuments.h"
#include "storage/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace StateFile {

namespace {

QString stateFolder;

const QString formatKey = QStringLiteral("format");
const QString formatName = QStringLiteral("brw-state-1");
const QString documentsKey = QStringLiteral("documents");
const QString pathKey = QStringLiteral("path");
const QString stateKey = QStringLiteral("state");
const QString windowKey = QStringLiteral("window");
const QString sessionKey = QStringLiteral("session");
constexpr qint64 largestFile = 4 * 1024 * 1024;

// The file's object; empty when there is none or it is not ours. Only a regular file is read:
// a FIFO in its place would block the open.
QJsonObject read()
{
    const QFileInfo info(path());
    if (stateFolder.isEmpty() || !info.isFile() || info.size() > largestFile)
        return {};
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonDocument document = QJsonDocument::fromJson(file.read(largestFile));
    if (!document.isObject() || document.object().value(formatKey) != formatName)
        return {};
    return document.object();
}

void write(QJsonObject object)
{
    if (stateFolder.isEmpty() || !QDir().mkpath(stateFolder))
        return;
    object.insert(formatKey, formatName);
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact);
    const QString target = path();
    // No document: the file is made for the owner alone.
    if (SafeFile::save(target, [&bytes](QFileDevice &file) {
            return file.write(bytes) == bytes.size();
        }) == SafeFile::Result::Saved)
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
}

template<typename Change>
void update(Change change)
{
    if (stateFolder.isEmpty())
        return;
    QJsonObject object = read();
    change(object);
    write(object);
}

QStringList strings(const QJsonValue &value)
{
    QStringList result;
    for (const QJsonValue &entry : value.toArray())
        if (entry.isString() && !entry.toString().isEmpty())
            result.append(entry.toString());
    return result;
}

} // namespace

void setFolder(const QString &folder)
{
    stateFolder = folder;
}

QString path()
{
    return stateFolder.isEmpty() ? QString() : stateFolder + QStringLiteral("/state.json");
}

QString documentKey(const QString &document)
{
    if (document.isEmpty() || RecentDocuments::isSaveFile(document))
        return QString();
    return QFileInfo(document).canonicalFilePath();
}

std::optional<DocumentState> document(const QString &document)
{
    const QString key = documentKey(document);
    if (key.isEmpty())
        return std::nullopt;
    for (const QJsonValue &entry : read().value(documentsKey).toArray()) {
        const QJsonObject object = entry.toObject();
        if (object.value(pathKey) == key)
            return DocumentState::fromJson(object.value(stateKey).toObject());
    }
    return std::nullopt;
}

void setDocument(const QString &document, const DocumentState &state)
{
    const QString key = documentKey(document);
    if (key.isEmpty())
        return;
    update([&](QJsonObject &object) {
        QJsonArray documents{QJsonObject{{pathKey, key}, {stateKey, state.toJson()}}};
        for (const QJsonValue &entry : object.value(documentsKey).toArray())
            if (documents.size() < maxDocuments && entry.toObject().value(pathKey) != key)
                documents.append(entry);
        object.insert(documentsKey, documents);
    });
}

std::optional<WindowState> window()
{
    const QJsonValue value = read().value(windowKey);
    return value.isObject() ? WindowState::fromJson(value.toObject()) : std::nullopt;
}

void setWindow(const WindowState &state)
{
    update([&](QJsonObject &object) { object.insert(windowKey, state.toJson()); });
}

QStringList session()
{
    return strings(read().value(sessionKey));
}

void setSession(const QStringList &documents)
{
    update([&](QJsonObject &object) {
        object.insert(sessionKey, QJsonArray::fromStringList(documents));
    });
}

void addToSession(const QString &document)
{
    const QString key = documentKey(document);
    if (key.isEmpty())
        return;
    update([&](QJsonObject &object) {
        QStringList documents = strings(object.value(sessionKey));
        if (!documents.contains(key))
            documents.append(key);
        object.insert(sessionKey, QJsonArray::fromStringList(documents));
    });
}

void removeFromSession(const QString &document)
{
    const QString key = documentKey(document);
    update([&](QJsonObject &object) {
        QStringList documents = strings(object.value(sessionKey));
        documents.removeAll(document); // a document deleted meanwhile has no key any more
        documents.removeAll(key);
        object.insert(sessionKey, QJsonArray::fromStringList(documents));
    });
}

} // namespace StateFile
