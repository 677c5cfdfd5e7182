#include "common/Sound.h"

namespace Sound {
namespace {

Player &installedPlayer()
{
    static Player player;
    return player;
}

Player &devicePlayer()
{
    static Player player;
    return player;
}

} // namespace

void play(const QString &file)
{
    if (installedPlayer())
        installedPlayer()(file);
    else if (devicePlayer())
        devicePlayer()(file);
}

void setPlayer(Player player)
{
    installedPlayer() = std::move(player);
}

void setDevicePlayer(Player player)
{
    devicePlayer() = std::move(player);
}

} // namespace Sound
