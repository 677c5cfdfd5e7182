#include "app/RecentDocuments.h"

#include "common/Messages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QSettings>

namespace RecentDocuments {

namespace {

const QString key = QStringLiteral("recentDocuments");

// In the user's configuration folder (~/.config/brw/brw.conf).
QSettings settings()
{
    return QSettings(QStringLiteral("brw"), QStringLiteral("brw"));
}

void store(const QStringList &documents)
{
    settings().setValue(key, documents);
}

} // namespace

QStringList list()
{
    return settings().value(key).toStringList();
}

bool isSaveFile(const QString &path)
{
    static const QRegularExpression ownNames(
            QStringLiteral("^(errorsave\\.!!!\\d+|autosave\\.\\d+|\\d{8}\\.txt)$"));
    static const QRegularExpression numbered(QStringLiteral("^(.+?)(\\d{1,2})$"));
    const QFileInfo info(path);
    if (ownNames.match(info.fileName()).hasMatch())
        return true;
    // "notes.brw1" beside "notes.brw"
    const QRegularExpressionMatch match = numbered.match(info.absoluteFilePath());
    return match.hasMatch() && QFileInfo(match.captured(1)).isFile();
}

void add(const QString &path)
{
    if (path.isEmpty() || isSaveFile(path))
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList documents = list();
    documents.removeAll(absolute);
    documents.prepend(absolute);
    store(documents.mid(0, maxCount));
}

void remove(const QString &path)
{
    QStringList documents = list();
    documents.removeAll(path);
    store(documents);
}

QMenu *addMenu(QMenu *menu, QAction *before, const std::function<void(const QString &)> &open)
{
    auto *recent =
            new QMenu(QCoreApplication::translate("RecentDocuments", "Recent documents"), menu);
    recent->setObjectName(QStringLiteral("recent"));
    menu->insertMenu(before, recent);
    QObject::connect(recent, &QMenu::aboutToShow, recent, [recent, open] {
        recent->clear();
        const QStringList documents = list();
        for (int i = 0; i < documents.size() && i < maxCount; ++i) {
            const QString path = documents[i];
            QString text = path;
            text.replace(QLatin1Char('&'), QStringLiteral("&&"));
            QAction *entry = recent->addAction(QStringLiteral("&%1 ").arg(i + 1) + text);
            QObject::connect(entry, &QAction::triggered, recent, [recent, path, open] {
                if (QFileInfo(path).isFile()) {
                    open(path);
                    return;
                }
                Messages::warning(
                        recent->parentWidget(), Messages::errorCaption(),
                        QCoreApplication::translate("RecentDocuments",
                                                    "Cannot open file\nНевозможно открыть файл\n") +
                                path);
                remove(path);
            });
        }
    });
    return recent;
}

} // namespace RecentDocuments
