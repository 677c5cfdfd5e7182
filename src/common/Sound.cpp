#include "common/Sound.h"

#include "common/DataFiles.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

namespace Sound {
namespace {

Player &installedPlayer()
{
    static Player player;
    return player;
}

void playThroughToolkit(const QString &file)
{
    const QFileInfo info(DataFiles::locate(file));
    if (!info.isFile() || !QCoreApplication::instance())
        return;
    // One effect for the whole program, owned by the application; the file is decoded in the
    // background and played as soon as it is ready.
    static QPointer<QSoundEffect> effect;
    if (!effect)
        effect = new QSoundEffect(QCoreApplication::instance());
    const QUrl source = QUrl::fromLocalFile(info.absoluteFilePath());
    if (effect->source() != source)
        effect->setSource(source);
    effect->play();
}

} // namespace

void play(const QString &file)
{
    if (installedPlayer())
        installedPlayer()(file);
    else
        playThroughToolkit(file);
}

void setPlayer(Player player)
{
    installedPlayer() = std::move(player);
}

} // namespace Sound
