#include "app/RecentDocuments.h"

#include "common/Messages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>
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
    // The settings file is written (and synced to disk) only for a change: opening the
    // document opened last, the usual case, would otherwise cost the open a few milliseconds.
    if (!documents.isEmpty() && documents.first() == absolute && documents.size() <= maxCount)
        return;
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

QString shownPath(const QString &path, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/')) + 1;
    const QString name = path.mid(slash);
    const int nameWidth = metrics.horizontalAdvance(name);
    // The folders keep at least a few characters on either side of the ellipsis.
    const int fewFolders = metrics.averageCharWidth() * 8;
    if (nameWidth + fewFolders <= width)
        return metrics.elidedText(path.left(slash), Qt::ElideMiddle, width - nameWidth) + name;
    return metrics.elidedText(path.left(slash), Qt::ElideMiddle, fewFolders) +
           metrics.elidedText(name, Qt::ElideMiddle, width - fewFolders);
}

QMenu *addMenu(QMenu *menu, QAction *before, const std::function<void(const QString &)> &open)
{
    auto *recent =
            new QMenu(QCoreApplication::translate("RecentDocuments", "Recent documents"), menu);
    recent->setObjectName(QStringLiteral("recent"));
    recent->setToolTipsVisible(true); // the whole path of a shortened entry
    menu->insertMenu(before, recent);
    QObject::connect(recent, &QMenu::aboutToShow, recent, [recent, open] {
        recent->clear();
        const QStringList documents = list();
        const QFontMetrics metrics(recent->font());
        const int width = recent->screen()->availableGeometry().width() / 2;
        for (int i = 0; i < documents.size() && i < maxCount; ++i) {
            const QString path = documents[i];
            QString text = shownPath(path, metrics, width);
            text.replace(QLatin1Char('&'), QStringLiteral("&&"));
            QAction *entry = recent->addAction(QStringLiteral("&%1 ").arg(i + 1) + text);
            entry->setToolTip(path);
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
